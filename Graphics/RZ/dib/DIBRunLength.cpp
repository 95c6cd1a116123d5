// Expansion of BI_RLE8 and BI_RLE4 data into uncompressed bottom-up rows.
//
// The output position moves linearly through the buffer: runs longer than a
// row continue into the next one, and end-of-line and delta escapes move it
// relative to the column count, as the format's reference decoders do.
// Hostile streams can therefore aim anywhere; every write is checked against
// the buffer and every read against the data, and decoding stops at the
// first one that would leave either.
#include <cstdint>
#include <cstring>

#include "DIBDecoding.h"

namespace {

class RunLengthDecoder {
public:
    RunLengthDecoder(unsigned char* pixels, std::int64_t size, const unsigned char* data,
                     std::int64_t dataSize, std::int64_t rowBytes, int nibbleShift)
        : pixels_(pixels), size_(size), data_(data), dataSize_(dataSize), rowBytes_(rowBytes),
          shift_(nibbleShift), remaining_(size) {}

    void Run() {
        while (remaining_ > 0 && Available() >= 2) {
            const unsigned count = data_[in_];
            const unsigned value = data_[in_ + 1];
            in_ += 2;
            bool more;
            if (count > 0)
                more = shift_ ? EncodedRun4(count, value) : EncodedRun8(count, value);
            else if (value == 0)
                more = EndOfLine();
            else if (value == 1)
                more = false;
            else if (value == 2)
                more = Delta();
            else
                more = shift_ ? AbsoluteRun4(value) : AbsoluteRun8(value);
            if (!more) return;
        }
    }

private:
    std::int64_t Available() const { return dataSize_ - in_; }
    bool Writable(std::int64_t count) const { return pos_ >= 0 && count <= size_ - pos_; }

    // Stores one 4-bit pixel at the current column. False when the position
    // is outside the buffer.
    bool PutNibble(unsigned nibble) {
        if (!Writable(1)) return false;
        if (x_ & 1) {
            pixels_[pos_] |= static_cast<unsigned char>(nibble);
            ++pos_;
            --remaining_;
        } else {
            pixels_[pos_] |= static_cast<unsigned char>(nibble << 4);
        }
        ++x_;
        return true;
    }

    void Advance8(std::int64_t count) {
        pos_ += count;
        x_ += count;
        remaining_ -= count;
    }

    bool EncodedRun8(unsigned count, unsigned value) {
        const bool whole = Writable(count);
        if (pos_ >= 0 && pos_ < size_) {
            const std::int64_t fits = whole ? count : size_ - pos_;
            std::memset(pixels_ + pos_, static_cast<int>(value), static_cast<std::size_t>(fits));
        }
        Advance8(count);
        return whole;
    }

    bool EncodedRun4(unsigned count, unsigned value) {
        for (unsigned k = 0; k < count; ++k)
            if (!PutNibble((k & 1) ? (value & 0x0Fu) : (value >> 4))) return false;
        return true;
    }

    bool AbsoluteRun8(unsigned count) {
        const bool whole = Writable(count) && Available() >= count;
        if (pos_ >= 0 && pos_ < size_) {
            std::int64_t fits = size_ - pos_;
            if (fits > count) fits = count;
            if (fits > Available()) fits = Available();
            std::memcpy(pixels_ + pos_, data_ + in_, static_cast<std::size_t>(fits));
        }
        Advance8(count);
        in_ += count + (count & 1); // runs are padded to an even byte count
        return whole;
    }

    bool AbsoluteRun4(unsigned count) {
        for (unsigned k = 0; k < count; ++k) {
            const std::int64_t at = in_ + k / 2;
            if (at >= dataSize_) return false;
            if (!PutNibble((k & 1) ? (data_[at] & 0x0Fu) : (data_[at] >> 4))) return false;
        }
        in_ += ((count + 3) >> 1) & 0xFEu;
        return true;
    }

    bool EndOfLine() {
        const std::int64_t step = rowBytes_ - (x_ >> shift_);
        pos_ += step;
        remaining_ -= step;
        x_ = 0;
        return true;
    }

    bool Delta() {
        if (Available() < 2) return false;
        const unsigned dx = data_[in_];
        const unsigned dy = data_[in_ + 1];
        in_ += 2;
        const std::int64_t step = (dx >> shift_) + static_cast<std::int64_t>(dy) * rowBytes_;
        pos_ += step;
        remaining_ -= step;
        x_ += dx;
        return true;
    }

    unsigned char* pixels_;
    std::int64_t size_;
    const unsigned char* data_;
    std::int64_t dataSize_;
    std::int64_t rowBytes_;
    int shift_;
    std::int64_t remaining_;
    std::int64_t pos_ = 0;
    std::int64_t in_ = 0;
    std::int64_t x_ = 0;
};

} // namespace

int DecodeDIBRunLength(const BITMAPINFOHEADER* header, unsigned char* pixels,
                       const unsigned char* runLengthData) {
    if (header == nullptr || pixels == nullptr || runLengthData == nullptr) return 0;
    if (header->biCompression != BI_RLE8 && header->biCompression != BI_RLE4) return 0;
    unsigned int rowBytes = 0, unpackedSize = 0;
    if (!RZGetDIBInfo(header, nullptr, nullptr, &rowBytes, nullptr, nullptr, &unpackedSize))
        return 0;
    // Sizes that only a hostile header gives (wrapped to negative) describe no buffer.
    if (static_cast<std::int32_t>(rowBytes) < 0 || static_cast<std::int32_t>(unpackedSize) < 0)
        return 0;
    std::memset(pixels, 0, unpackedSize);
    RunLengthDecoder(pixels, unpackedSize, runLengthData, header->biSizeImage, rowBytes,
                     header->biCompression == BI_RLE4 ? 1 : 0)
        .Run();
    return 1;
}
