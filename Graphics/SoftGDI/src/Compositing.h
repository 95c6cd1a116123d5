// Putting resampled colour into a target surface: replacing (source copy) or
// blending premultiplied colour over what is there (source over).
#pragma once

#include <memory>

#include "PixelCodec.h"
#include "Resampler.h"

namespace softgdi {

class CompositingSink final : public ResampleSink {
public:
    // target must be writable; sourceOver selects blending.
    CompositingSink(const Surface& target, bool sourceOver);
    // False when the buffers could not be made.
    bool Ready() const { return ready_; }
    void Row(int y, int x0, int count, const float* premultiplied) override;
    void ExactRow(int y, int x0, int count, const Argb* colours) override;
    void OpaqueRow(int y, int x0, int count, const Argb* colours) override;

private:
    Surface target_;
    bool sourceOver_;
    bool targetHasAlpha_;
    bool ready_ = false;
    std::unique_ptr<Argb[]> row_;
    std::unique_ptr<PaletteMatcher> matcher_;
};

} // namespace softgdi
