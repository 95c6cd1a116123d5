// The library exports exactly the functions and class members listed in the
// subsystems' exports.txt files, nothing else, and no global allocation
// operator (its allocation stays inside it).
#include <gtest/gtest.h>

#include "support/ExportTable.h"

TEST(ExportedSymbols, MatchTheListedFunctionsExactly) {
    // The dynamic symbol table on Linux, the DLL's export table on Windows.
    const auto actual = rztest::ExportedFunctions(RZ_LIBRARY_FILE);
    const auto expected = rztest::ListedExports(RZ_SOURCE_DIR);
    ASSERT_FALSE(actual.empty()) << "could not read the symbols of " << RZ_LIBRARY_FILE;
    for (const auto& name : expected) EXPECT_TRUE(actual.count(name)) << "not exported: " << name;
    for (const auto& name : actual) {
        EXPECT_TRUE(expected.count(name)) << "exported but not listed: " << name;
        EXPECT_EQ(name.find("operator new"), std::string::npos) << name;
        EXPECT_EQ(name.find("operator delete"), std::string::npos) << name;
    }
}
