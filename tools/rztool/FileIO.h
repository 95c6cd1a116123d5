// Whole files in and out, "-" standing for standard input or output. A file
// is mapped, or read with its size known up front in one read, and written
// with one write of all its parts, so the tool moves pictures at memory
// speed.
#pragma once

#include <initializer_list>
#include <span>
#include <string>

#include "ByteBlock.h"

namespace rztool {

// The name that stands for standard input or standard output.
inline constexpr const char* kStandardStream = "-";

// How messages name the file: "standard input" for "-".
std::string InputName(const std::string& name);

// The file's bytes. Throws a failure naming the file and the system's
// reason ("cannot open x.bmp: No such file or directory"), or saying that
// it is too large.
ByteBlock ReadInputFile(const std::string& name);

// Makes name hold the parts, one after the other. A missing folder is an
// error like any other; nothing is created but the file.
void WriteOutputFile(const std::string& name,
                     std::initializer_list<std::span<const unsigned char>> parts);

} // namespace rztool
