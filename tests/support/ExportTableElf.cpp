// Export table of an ELF shared library: its defined dynamic text symbols as
// `nm -DC` lists them.
#include <cstdio>
#include <sstream>

#include "support/ExportTable.h"

namespace rztest {
namespace {

std::string Run(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
        pclose(pipe);
    }
    return output;
}

} // namespace

std::set<std::string> ExportedFunctions(const std::string& libraryFile) {
    std::set<std::string> names;
    std::istringstream lines(Run("nm -DC --defined-only '" + libraryFile + "'"));
    for (std::string line; std::getline(lines, line);) {
        // "<address> <type> <name>"
        const auto first = line.find(' ');
        if (first == std::string::npos || first + 3 > line.size()) continue;
        const char type = line[first + 1];
        if (type != 'T' && type != 'W') continue;
        names.insert(line.substr(first + 3));
    }
    return names;
}

} // namespace rztest
