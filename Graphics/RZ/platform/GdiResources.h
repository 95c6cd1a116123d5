// Owners of GDI and GDI+ resources made inside one call: each releases its
// resource when it goes out of scope, so every path out of a function
// releases, in reverse order of making, exactly what was made.
#pragma once

#include <memory>
#include <utility>

#include "RZ/platform/WindowsImaging.h"

namespace rz::platform {

// A GDI object (bitmap, palette) deleted with DeleteObject.
template <typename Handle> class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) noexcept : handle_(handle) {}
    ~GdiObject() { Reset(); }
    GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle Get() const { return handle_; }
    Handle Release() { return std::exchange(handle_, nullptr); }
    void Reset() {
        if (handle_ != nullptr) DeleteObject(std::exchange(handle_, nullptr));
    }

private:
    Handle handle_ = nullptr;
};

// A memory device context (CreateCompatibleDC), deleted with DeleteDC.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDC() {
        if (dc_ != nullptr) DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;

    HDC Get() const { return dc_; }
    HDC Release() { return std::exchange(dc_, nullptr); }

private:
    HDC dc_;
};

// The screen's device context (GetDC with no window), released with ReleaseDC.
class ScreenDC {
public:
    ScreenDC() : dc_(GetDC(nullptr)) {}
    ~ScreenDC() {
        if (dc_ != nullptr) ReleaseDC(nullptr, dc_);
    }
    ScreenDC(const ScreenDC&) = delete;
    ScreenDC& operator=(const ScreenDC&) = delete;

    HDC Get() const { return dc_; }

private:
    HDC dc_;
};

// An object selected into a device context; the object it replaced is
// selected back when the selection ends. A selection that failed (null or
// HGDI_ERROR) restores nothing.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selection() {
        if (Succeeded()) SelectObject(dc_, previous_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

    bool Succeeded() const { return previous_ != nullptr && previous_ != HGDI_ERROR; }
    HGDIOBJ Previous() const { return previous_; }
    // Leaves the object selected; the caller restores Previous() itself.
    HGDIOBJ Release() { return std::exchange(previous_, nullptr); }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A GDI+ wrapper object (Bitmap, Graphics, ImageAttributes, Matrix): their
// class operator delete hands the memory back with GdipFree, so an ordinary
// unique pointer owns them.
template <typename T> using GdiPlusObject = std::unique_ptr<T>;

} // namespace rz::platform
