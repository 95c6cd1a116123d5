// The library exports exactly the functions and class members listed in the
// subsystems' exports.txt files, and nothing else.
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "support/ExportTable.h"

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

// The functions the built library exports, demangled: its dynamic symbol
// table on Linux, the DLL's export table on Windows.
std::set<std::string> ActualExports() {
    return rztest::ExportedFunctions(RZ_LIBRARY_FILE);
}

TEST(ExportedSymbols, MatchTheListedFunctionsExactly) {
    const auto expected = ExpectedExports();
    const auto actual = ActualExports();
    ASSERT_FALSE(actual.empty()) << "could not read the symbols of " << RZ_LIBRARY_FILE;
    for (const auto& name : expected) EXPECT_TRUE(actual.count(name)) << "not exported: " << name;
    for (const auto& name : actual)
        EXPECT_TRUE(expected.count(name)) << "exported but not listed: " << name;
}

TEST(ExportedSymbols, GlobalAllocationStaysInsideTheLibrary) {
    const auto actual = ActualExports();
    for (const auto& name : actual) {
        EXPECT_EQ(name.find("operator new"), std::string::npos) << name;
        EXPECT_EQ(name.find("operator delete"), std::string::npos) << name;
    }
}

} // namespace
