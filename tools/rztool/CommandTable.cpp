// The registration table: adding a command is one file in commands/ and
// one line here.
#include <algorithm>

#include "Command.h"

#define RZTOOL_COMMANDS(X)                                                                         \
    X(kDemoCommand)                                                                                \
    X(kInfoCommand)                                                                                \
    X(kRoundTripCommand)                                                                           \
    X(kCropCommand)                                                                                \
    X(kFillCommand)                                                                                \
    X(kConvertCommand)                                                                             \
    X(kPaletteCommand)                                                                             \
    X(kStretchCommand)                                                                             \
    X(kRotateCommand)                                                                              \
    X(kDrawCommand)

namespace rztool {

#define RZTOOL_DECLARE(command) extern const Command command;
RZTOOL_COMMANDS(RZTOOL_DECLARE)
#undef RZTOOL_DECLARE

namespace {
#define RZTOOL_ENTRY(command) &command,
const Command* const kCommands[] = {RZTOOL_COMMANDS(RZTOOL_ENTRY)};
#undef RZTOOL_ENTRY
} // namespace

std::span<const Command* const> AllCommands() {
    return kCommands;
}

const Command* FindCommand(std::string_view name) {
    const auto found =
        std::find_if(std::begin(kCommands), std::end(kCommands),
                     [name](const Command* command) { return command->name == name; });
    return found == std::end(kCommands) ? nullptr : *found;
}

} // namespace rztool
