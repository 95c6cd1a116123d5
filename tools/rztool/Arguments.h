// Command-line arguments after the command name, and the parsers for the
// values the commands take.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "RZ/KWPixMap"

namespace rztool {

class Arguments {
public:
    // "--name value", "--name=value" and "-o value" (for --output) are
    // options, and "--flag" for the names listed in flags (separated by
    // spaces); "-h" and "--help" ask for help; everything else is
    // positional. Throws a usage error for an option without a value.
    Arguments(int count, char** values, std::string_view flags = "");

    bool HelpRequested() const { return help_; }
    // The value of --name, removed from the pending options.
    std::optional<std::string> TakeOption(const std::string& name);
    // Whether --name was given, removed from the pending options.
    bool TakeFlag(const std::string& name);
    // The next positional argument, removed from the pending ones.
    std::optional<std::string> TakePositional();
    // Throws a usage error naming anything no command took.
    void RequireAllTaken() const;

private:
    std::map<std::string, std::string> options_;
    std::vector<std::string> positional_;
    bool help_ = false;
};

// "LEFT,TOP,RIGHT,BOTTOM" (the order of RZInitRect), as a KWRect.
KWRect ParseRect(std::string_view text);
// The part of map a command works on: --rect when given, else the whole map.
// Throws a usage error when it is empty.
KWRect SourceRect(KWPixMap** map, const std::optional<std::string>& rect);
// The value of --name, or fallback without one; throws a usage error
// listing the choices when the value is not one of them.
std::string Choice(const char* name, const std::optional<std::string>& value,
                   std::initializer_list<std::string_view> choices, std::string_view fallback);
// "R,G,B" or "R,G,B,A" in decimal, or "#RRGGBB" / "#RRGGBBAA"; alpha defaults
// to 255. Returned as a colour value: alpha, red, green, blue.
std::array<unsigned char, 4> ParseColour(std::string_view text);
// The size a command draws rect at: --size "WIDTHxHEIGHT", else the
// rectangle's size times --scale (a number above 0, rounded, at least 1),
// else the rectangle's own size.
std::pair<std::int64_t, std::int64_t> TargetSize(const KWRect& rect,
                                                 const std::optional<std::string>& size,
                                                 const std::optional<std::string>& scale);

} // namespace rztool
