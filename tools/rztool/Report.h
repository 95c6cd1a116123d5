// Where the tool's messages go: reports to standard output, unless a
// picture goes there, and warnings to standard error.
#pragma once

#include <cstdio>
#include <string>

namespace rztool {

// Standard output, or standard error once a picture is bound for standard
// output.
std::FILE* ReportStream();
void ReportToStandardError();

// "rztool: warning: TEXT" on standard error; the command still succeeds.
void Warn(const std::string& text);

} // namespace rztool
