// The functions a built shared library exports, demangled, as the platform's
// own tools and loader see them, and the functions its subsystems list as
// exports. Data (vtables, typeinfo) is not counted.
#pragma once

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace rztest {

// Empty when the library cannot be read.
std::set<std::string> ExportedFunctions(const std::string& libraryFile);

// The names in the exports.txt of each subsystem directory under sourceDir.
inline std::set<std::string> ListedExports(const std::string& sourceDir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(sourceDir)) {
        std::ifstream in(entry.path() / "exports.txt");
        for (std::string line; std::getline(in, line);)
            if (!line.empty() && line[0] != '#') names.insert(line);
    }
    return names;
}

} // namespace rztest
