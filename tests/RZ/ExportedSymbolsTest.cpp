// The library exports exactly the functions and class members listed in the
// subsystems' exports.txt files, and nothing else.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace {

std::set<std::string> ExpectedExports() {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(RZ_SOURCE_DIR)) {
        const auto list = entry.path() / "exports.txt";
        if (!entry.is_directory() || !std::filesystem::exists(list)) continue;
        std::ifstream in(list);
        for (std::string line; std::getline(in, line);)
            if (!line.empty() && line[0] != '#') names.insert(line);
    }
    return names;
}

std::string Run(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
        pclose(pipe);
    }
    return output;
}

// Defined dynamic symbols of the built library, demangled; data and
// compiler-generated objects (vtables, typeinfo) are not counted.
std::set<std::string> ActualExports() {
    std::set<std::string> names;
    std::istringstream lines(Run(std::string("nm -DC --defined-only '") + RZ_LIBRARY_FILE + "'"));
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

TEST(ExportedSymbols, MatchTheListedFunctionsExactly) {
    const auto expected = ExpectedExports();
    const auto actual = ActualExports();
    ASSERT_FALSE(actual.empty()) << "could not read the symbols of " << RZ_LIBRARY_FILE;
    for (const auto& name : expected) EXPECT_TRUE(actual.count(name)) << "not exported: " << name;
    for (const auto& name : actual) EXPECT_TRUE(expected.count(name)) << "exported but not listed: " << name;
}

TEST(ExportedSymbols, GlobalAllocationStaysInsideTheLibrary) {
    const auto actual = ActualExports();
    for (const auto& name : actual) {
        EXPECT_EQ(name.find("operator new"), std::string::npos) << name;
        EXPECT_EQ(name.find("operator delete"), std::string::npos) << name;
    }
}

} // namespace
