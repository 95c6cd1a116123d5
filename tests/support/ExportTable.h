// The functions a built shared library exports, demangled, as the platform's
// own tools and loader see them. Data (vtables, typeinfo) is not counted.
#pragma once

#include <set>
#include <string>

namespace rztest {

// Empty when the library cannot be read.
std::set<std::string> ExportedFunctions(const std::string& libraryFile);

} // namespace rztest
