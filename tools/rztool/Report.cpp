#include "Report.h"

namespace rztool {

namespace {
bool reportsToStandardError = false;
} // namespace

std::FILE* ReportStream() {
    return reportsToStandardError ? stderr : stdout;
}

void ReportToStandardError() {
    reportsToStandardError = true;
}

void Warn(const std::string& text) {
    std::fflush(ReportStream());
    std::fprintf(stderr, "rztool: warning: %s\n", text.c_str());
}

} // namespace rztool
