#include "Arguments.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <stdexcept>

#include "Command.h"

namespace rztool {

Arguments::Arguments(int count, char** values, std::string_view flags) {
    const auto isFlag = [flags](std::string_view name) {
        for (std::size_t at = 0; at < flags.size();) {
            const std::size_t end = std::min(flags.find(' ', at), flags.size());
            if (flags.substr(at, end - at) == name) return true;
            at = end + 1;
        }
        return false;
    };
    for (int i = 0; i < count; ++i) {
        const std::string argument = values[i];
        if (argument == "-h" || argument == "--help") {
            help_ = true;
            continue;
        }
        std::string name;
        if (argument == "-o") {
            name = "output";
        } else if (argument.size() > 2 && argument.compare(0, 2, "--") == 0) {
            name = argument.substr(2);
            if (isFlag(name)) {
                options_[name] = "";
                continue;
            }
            const auto equals = name.find('=');
            if (equals != std::string::npos) {
                options_[name.substr(0, equals)] = name.substr(equals + 1);
                continue;
            }
        } else if (argument.size() > 1 && argument[0] == '-') {
            throw UsageError("unknown option " + argument);
        } else {
            positional_.push_back(argument);
            continue;
        }
        if (i + 1 >= count) throw UsageError("option " + argument + " needs a value");
        options_[name] = values[++i];
    }
}

std::optional<std::string> Arguments::TakeOption(const std::string& name) {
    const auto found = options_.find(name);
    if (found == options_.end()) return std::nullopt;
    std::string value = found->second;
    options_.erase(found);
    return value;
}

bool Arguments::TakeFlag(const std::string& name) {
    return options_.erase(name) != 0;
}

std::optional<std::string> Arguments::TakePositional() {
    if (positional_.empty()) return std::nullopt;
    std::string value = positional_.front();
    positional_.erase(positional_.begin());
    return value;
}

void Arguments::RequireAllTaken() const {
    if (!options_.empty()) throw UsageError("unknown option --" + options_.begin()->first);
    if (!positional_.empty()) throw UsageError("unexpected argument " + positional_.front());
}

namespace {

// Comma-separated decimal integers; throws a usage error naming what.
std::vector<std::int64_t> ParseIntegers(std::string_view text, const char* what) {
    std::vector<std::int64_t> numbers;
    const char* position = text.data();
    const char* const end = text.data() + text.size();
    while (true) {
        std::int64_t number = 0;
        const auto [next, error] = std::from_chars(position, end, number);
        if (error != std::errc() || number < INT32_MIN || number > INT32_MAX)
            throw UsageError(std::string("bad ") + what + " '" + std::string(text) + "'");
        numbers.push_back(number);
        if (next == end) return numbers;
        if (*next != ',')
            throw UsageError(std::string("bad ") + what + " '" + std::string(text) + "'");
        position = next + 1;
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

KWRect ParseRect(std::string_view text) {
    const auto numbers = ParseIntegers(text, "rectangle (want LEFT,TOP,RIGHT,BOTTOM)");
    if (numbers.size() != 4)
        throw UsageError("bad rectangle '" + std::string(text) + "' (want LEFT,TOP,RIGHT,BOTTOM)");
    KWRect rect{};
    RZInitRect(&rect, static_cast<int>(numbers[0]), static_cast<int>(numbers[1]),
               static_cast<int>(numbers[2]), static_cast<int>(numbers[3]));
    return rect;
}

std::array<unsigned char, 4> ParseColour(std::string_view text) {
    const std::string usage = "bad colour '" + std::string(text) +
                              "' (want R,G,B or R,G,B,A in 0..255, or #RRGGBB or #RRGGBBAA)";
    std::array<int, 4> rgba{0, 0, 0, 255};
    if (!text.empty() && text[0] == '#') {
        const std::string_view digits = text.substr(1);
        if (digits.size() != 6 && digits.size() != 8) throw UsageError(usage);
        for (std::size_t i = 0; i < digits.size(); i += 2) {
            const int high = HexDigit(digits[i]), low = HexDigit(digits[i + 1]);
            if (high < 0 || low < 0) throw UsageError(usage);
            rgba[i / 2] = high * 16 + low;
        }
    } else {
        const auto numbers = ParseIntegers(text, "colour");
        if (numbers.size() != 3 && numbers.size() != 4) throw UsageError(usage);
        for (std::size_t i = 0; i < numbers.size(); ++i) {
            if (numbers[i] < 0 || numbers[i] > 255) throw UsageError(usage);
            rgba[i] = static_cast<int>(numbers[i]);
        }
    }
    return {static_cast<unsigned char>(rgba[3]), static_cast<unsigned char>(rgba[0]),
            static_cast<unsigned char>(rgba[1]), static_cast<unsigned char>(rgba[2])};
}

namespace {

// "WIDTHxHEIGHT", both at least 1.
std::pair<std::int64_t, std::int64_t> ParseSize(const std::string& text) {
    std::int64_t width = 0, height = 0;
    const char* end = text.data() + text.size();
    const auto [x, widthError] = std::from_chars(text.data(), end, width);
    if (widthError == std::errc() && x != end && *x == 'x') {
        const auto [last, heightError] = std::from_chars(x + 1, end, height);
        if (heightError == std::errc() && last == end && width > 0 && height > 0)
            return {width, height};
    }
    throw UsageError("bad size '" + text + "' (want WIDTHxHEIGHT, e.g. 640x480)");
}

double ParseScale(const std::string& text) {
    std::size_t used = 0;
    double scale = 0;
    try {
        scale = std::stod(text, &used);
    } catch (const std::exception&) {
    }
    if (used != text.size() || !(scale > 0) || !std::isfinite(scale))
        throw UsageError("bad scale '" + text + "' (want a number above 0, e.g. 1.5)");
    return scale;
}

} // namespace

std::pair<std::int64_t, std::int64_t> TargetSize(const KWRect& rect,
                                                 const std::optional<std::string>& size,
                                                 const std::optional<std::string>& scale) {
    if (size) return ParseSize(*size);
    const double factor = scale ? ParseScale(*scale) : 1.0;
    const double width = std::min((std::int64_t{rect.right} - rect.left) * factor, 1e12);
    const double height = std::min((std::int64_t{rect.bottom} - rect.top) * factor, 1e12);
    return {std::max<std::int64_t>(1, std::llround(width)),
            std::max<std::int64_t>(1, std::llround(height))};
}

KWRect SourceRect(KWPixMap** map, const std::optional<std::string>& rect) {
    KWRect r{};
    RZGetKWPixMapBounds(map, &r);
    if (rect) r = ParseRect(*rect);
    if (r.left >= r.right || r.top >= r.bottom) throw UsageError("the source rectangle is empty");
    return r;
}

std::string Choice(const char* name, const std::optional<std::string>& value,
                   std::initializer_list<std::string_view> choices, std::string_view fallback) {
    const std::string chosen = value.value_or(std::string(fallback));
    std::string listed;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        const std::string_view choice = choices.begin()[i];
        if (choice == chosen) return chosen;
        listed += (i == 0 ? "" : i + 1 == choices.size() ? " or " : ", ") + std::string(choice);
    }
    throw UsageError(std::string("--") + name + " takes " + listed + ", not '" + chosen + "'");
}

} // namespace rztool
