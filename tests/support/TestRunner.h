// Runs the GoogleTest suite with every test inside a leak check of the root
// library's live blocks. The test mains call it.
#pragma once

namespace rztest {

int RunAllTests(int argc, char** argv);

} // namespace rztest
