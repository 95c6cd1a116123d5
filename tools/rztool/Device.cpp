#include "Device.h"

#include "Command.h"
#include "Images.h"
#include "KWRoot/Memory.h"
#include "RZ/KWPixMap"

#if !defined(_WIN32)
#include "SoftGDI/Display.h"
#endif

namespace rztool {

Device::Device(int bitsPerPixel, int width, int height) : width_(width), height_(height) {
#if defined(_WIN32)
    dc_ = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{
        sizeof(BITMAPINFOHEADER), width, -height, 1, WORD(bitsPerPixel), BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    section_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dc_ != nullptr && section_ != nullptr) previous_ = SelectObject(dc_, section_);
    if (previous_ == nullptr) {
        if (dc_ != nullptr) DeleteDC(dc_);
        if (section_ != nullptr) DeleteObject(section_);
        dc_ = nullptr;
    }
#else
    dc_ = SoftGdiCreateDisplayDC(bitsPerPixel, width, height);
#endif
    if (dc_ == nullptr)
        throw Failure("cannot make a " + std::to_string(width) + " x " + std::to_string(height) +
                      " device of " + std::to_string(bitsPerPixel) + " bits");
}

Device::~Device() {
    if (previous_ != nullptr) SelectObject(dc_, previous_);
    if (section_ != nullptr) DeleteObject(section_);
    DeleteDC(dc_);
}

void Device::PaintCheckerboard() {
    OwnedPixMap board(RZCreateKWPixMap(width_, height_, 72, 72, PixelTypeARGB));
    if (board.get() == nullptr) throw Failure("out of memory for the background");
    FillCheckerboard(board.get());
    const ByteBlock dib = ExportDIB(board.get());
    StretchDIBits(dc_, 0, 0, width_, height_, 0, 0, width_, height_, dib.data() + 40,
                  reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS, SRCCOPY);
}

ByteBlock Device::ReadBack() const {
    // A device's own surface is read through a copy of the rectangle.
    const KWRect all{0, 0, height_, width_};
    char* dib = nullptr;
    unsigned int size = 0;
    const short result = RZDDB2DIB(dc_, nullptr, &dib, &size, &all);
    if (result != 0 || dib == nullptr)
        throw Failure("cannot read the device back: RZDDB2DIB returned " +
                      DescribeErrorCode(result));
    return ByteBlock::Adopt(dib, size);
}

} // namespace rztool
