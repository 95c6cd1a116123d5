// A device of a chosen colour depth to draw on, and what it holds read back
// as a packed DIB. With our software GDI it is a display of that depth; on
// Windows a memory DC holding a DIB section of that depth, which reports the
// screen's depth to GetDeviceCaps as Windows memory DCs do.
#pragma once

#include "ByteBlock.h"
#include "RZ/platform/WindowsImaging.h"

namespace rztool {

class Device {
public:
    // Throws a failure when it cannot be made.
    Device(int bitsPerPixel, int width, int height);
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    HDC dc() const { return dc_; }
    // Fills the device with the checkerboard of FillCheckerboard.
    void PaintCheckerboard();
    // What the device holds, read back with RZDDB2DIB, at its own depth.
    ByteBlock ReadBack() const;

private:
    HDC dc_ = nullptr;
    HBITMAP section_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    int width_, height_;
};

} // namespace rztool
