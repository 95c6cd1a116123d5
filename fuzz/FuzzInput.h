// The fuzzers' reader of their input: bytes, words and doubles taken in
// order (zeros once the input runs out), and picks from tables of hostile
// values, where one extra choice stands for any value at all.
#pragma once

#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace rzfuzz {

[[noreturn]] inline void Broke(const char* what, const char* promise) {
    std::fprintf(stderr, "%s broke its promise: %s\n", what, promise);
    std::abort();
}

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return at_ >= size_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint32_t Word() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value = value << 8 | Byte();
        return value;
    }
    double Double() {
        std::uint64_t bits = std::uint64_t{Word()} << 32 | Word();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    // The bytes not read yet.
    const std::uint8_t* Rest(std::size_t& count) const {
        count = at_ < size_ ? size_ - at_ : 0;
        return data_ + (at_ < size_ ? at_ : size_);
    }
    // One of the table's values, or (for the extra choice) any 32-bit value.
    template <typename T, std::size_t N> T Pick(const T (&table)[N]) {
        const std::size_t i = Byte() % (N + 1);
        return i < N ? table[i] : static_cast<T>(static_cast<std::int32_t>(Word()));
    }
    // A coordinate or side: small, near the given extent, or extreme.
    int Coordinate(int extent) {
        switch (Byte() % 8) {
        case 0:
            return extent;
        case 1:
            return extent - 1;
        case 2:
            return -1 - (Byte() & 7);
        case 3:
            return INT_MAX - (Byte() & 3);
        case 4:
            return INT_MIN + (Byte() & 3);
        case 5:
            return static_cast<std::int32_t>(Word());
        default:
            return Byte() % 48;
        }
    }
    // An angle: ordinary, a quarter turn, huge, tiny or not a number.
    double Angle() {
        static constexpr double kInf = std::numeric_limits<double>::infinity();
        static constexpr double kAngles[] = {0.0,
                                             1.5707963267948966,
                                             3.141592653589793,
                                             -4.71238898038469,
                                             1e-300,
                                             1e300,
                                             -1e19,
                                             kInf,
                                             -kInf,
                                             std::numeric_limits<double>::quiet_NaN(),
                                             0.5,
                                             6.283185307179586};
        const int i = Byte() % 14;
        if (i < 12) return kAngles[i];
        return i == 12 ? (Byte() - 128) / 16.0 : Double();
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

} // namespace rzfuzz
