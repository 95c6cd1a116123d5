// Test main of programs that do not draw.
#include "support/TestRunner.h"

int main(int argc, char** argv) {
    return rztest::RunAllTests(argc, argv);
}
