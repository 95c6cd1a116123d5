// The two exported classes: KWSize2D and PixMapHandleGuard.
#include "RZ/KWPixMap"

KWSize2D::KWSize2D() : width_(0), height_(0) {}
KWSize2D::KWSize2D(unsigned int n) : width_(n), height_(n) {}
KWSize2D::KWSize2D(unsigned int width, unsigned int height) : width_(width), height_(height) {}
KWSize2D::KWSize2D(const KWSize2D& other) = default;
KWSize2D& KWSize2D::operator=(const KWSize2D& other) = default;
KWSize2D& KWSize2D::operator=(KWSize2D&& other) = default;
unsigned int KWSize2D::GetWidth() const {
    return width_;
}
unsigned int KWSize2D::GetHeight() const {
    return height_;
}

PixMapHandleGuard::PixMapHandleGuard(int width, int height, int hResolution, int vResolution,
                                     KWPixelType pixelType)
    : handle_(RZCreateKWPixMap(width, height, hResolution, vResolution, pixelType)) {}

PixMapHandleGuard::PixMapHandleGuard(KWPixMap** const handle) : handle_(handle) {}

PixMapHandleGuard::~PixMapHandleGuard() {
    if (handle_ != nullptr) RZDeleteKWPixMap(handle_);
}

PixMapHandleGuard& PixMapHandleGuard::operator=(const PixMapHandleGuard& other) {
    if (&other == this) return *this;
    if (handle_ != nullptr && handle_ != other.handle_) RZDeleteKWPixMap(handle_);
    handle_ = other.handle_;
    other.handle_ = nullptr; // the map now has exactly one owner
    return *this;
}

KWPixMap**& PixMapHandleGuard::operator()() {
    return handle_;
}
KWPixMap** const& PixMapHandleGuard::operator()() const {
    return handle_;
}
KWPixMap**& PixMapHandleGuard::GetPixMapHandle() {
    return handle_;
}
KWPixMap** const& PixMapHandleGuard::GetPixMapHandle() const {
    return handle_;
}
