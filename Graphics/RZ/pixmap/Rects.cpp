// Rectangle records: initialise, inset, intersect.
#include <algorithm>

#include "RZ/KWPixMap"

extern "C" {

short RZInitRect(KWRect* rect, int left, int top, int right, int bottom) {
    if (rect == nullptr) return RZErrParam;
    *rect = KWRect{top, left, bottom, right};
    return RZErrNone;
}

void RZInsetRect(KWRect* rect, int dh, int dv) {
    if (rect == nullptr) return;
    // Signed 32-bit arithmetic that wraps instead of overflowing.
    auto add = [](std::int32_t a, std::int32_t b) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) +
                                         static_cast<std::uint32_t>(b));
    };
    auto sub = [](std::int32_t a, std::int32_t b) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) -
                                         static_cast<std::uint32_t>(b));
    };
    rect->left = add(rect->left, dh);
    rect->right = sub(rect->right, dh);
    rect->top = add(rect->top, dv);
    rect->bottom = sub(rect->bottom, dv);
    if (static_cast<std::int64_t>(rect->right) - rect->left < 1 ||
        static_cast<std::int64_t>(rect->bottom) - rect->top < 1)
        *rect = KWRect{0, 0, 0, 0};
}

bool RZSectRect(const KWRect* a, const KWRect* b, KWRect* result) {
    if (result == nullptr) return false;
    if (a == nullptr || b == nullptr) {
        *result = KWRect{0, 0, 0, 0};
        return false;
    }
    const KWRect r{std::max(a->top, b->top), std::max(a->left, b->left),
                   std::min(a->bottom, b->bottom), std::min(a->right, b->right)};
    if (r.left < r.right && r.top < r.bottom) {
        *result = r;
        return true;
    }
    *result = KWRect{0, 0, 0, 0};
    return false;
}
}
