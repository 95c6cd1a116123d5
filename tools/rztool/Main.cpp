// rztool: the RZ library from a shell. Reads BMP and PNG files and writes
// them, or starts from a built-in test image when no file is given.
#include <cstdio>
#include <exception>
#include <string>

#include "Arguments.h"
#include "Command.h"
#include "PngFile.h"
#include "RZ/platform/WindowsImaging.h"

namespace {

using rztool::Command;

void PrintUsage(std::FILE* out) {
    std::fprintf(out, "usage: rztool <command> [arguments]\n"
                      "       rztool            the same as 'rztool demo'\n"
                      "       rztool --version\n\ncommands:\n");
    for (const Command* command : rztool::AllCommands())
        std::fprintf(out, "  %s %s\n      %s\n", command->name, command->synopsis,
                     command->summary);
    std::fprintf(out,
                 "\nFILE is a BMP or PNG file, - for standard input; without one the built-in\n"
                 "512 x 384 test image is used. OUT, given with -o or as the last argument,\n"
                 "is written as PNG when it ends in .png and as BMP otherwise (--format bmp|png\n"
                 "says which); - is standard output. Without OUT, commands write\n"
                 "%s/<command>.bmp. (%s.)\n"
                 "'rztool <command> --help' shows one command.\n",
                 "rztool-out", rztool::PngSupport().c_str());
}

void PrintCommandUsage(const Command& command, std::FILE* out) {
    std::fprintf(out, "usage: rztool %s %s\n  %s\n", command.name, command.synopsis,
                 command.summary);
}

// The host starts GDI+ before drawing and shuts it down afterwards; the
// library never does.
class GdiPlusSession {
public:
    GdiPlusSession() { Gdiplus::GdiplusStartup(&token_, &input_, nullptr); }
    ~GdiPlusSession() {
        if (token_ != 0) Gdiplus::GdiplusShutdown(token_);
    }

private:
    Gdiplus::GdiplusStartupInput input_;
    ULONG_PTR token_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    const std::string name = argc > 1 ? argv[1] : "demo";
    if (name == "--version" || name == "version") {
        std::printf("rztool %s, %s\n", RZTOOL_VERSION, rztool::PngSupport().c_str());
        return rztool::kExitOk;
    }
    if (name == "help" || name == "-h" || name == "--help") {
        const Command* command = argc > 2 ? rztool::FindCommand(argv[2]) : nullptr;
        if (command != nullptr)
            PrintCommandUsage(*command, stdout);
        else
            PrintUsage(stdout);
        return rztool::kExitOk;
    }
    const Command* command = rztool::FindCommand(name);
    if (command == nullptr) {
        std::fprintf(stderr, "rztool: unknown command '%s'\n\n", name.c_str());
        PrintUsage(stderr);
        return rztool::kExitUsage;
    }
    const GdiPlusSession gdiPlus;
    try {
        rztool::Arguments arguments(argc > 2 ? argc - 2 : 0, argv + 2, command->flags);
        if (arguments.HelpRequested()) {
            PrintCommandUsage(*command, stdout);
            return rztool::kExitOk;
        }
        return command->run(arguments);
    } catch (const rztool::ToolError& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "rztool %s: %s\n", command->name, error.what());
        if (error.code() == rztool::kExitUsage) PrintCommandUsage(*command, stderr);
        return error.code();
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "rztool %s: %s\n", command->name, error.what());
        return rztool::kExitFailed;
    }
}
