// Export table of an ELF shared library: its defined dynamic text symbols as
// `nm -DC` lists them.
#include <cstdio>
#include <sstream>

#include "support/ExportTable.h"

namespace rztest {

std::set<std::string> ExportedFunctions(const std::string& libraryFile) {
    std::string output;
    if (FILE* pipe = popen(("nm -DC --defined-only '" + libraryFile + "'").c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
        pclose(pipe);
    }
    std::set<std::string> names;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        // "<address> <type> <name>"
        const auto first = line.find(' ');
        if (first == std::string::npos || first + 3 > line.size() ||
            (line[first + 1] != 'T' && line[first + 1] != 'W'))
            continue;
        names.insert(line.substr(first + 3));
    }
    return names;
}

} // namespace rztest
