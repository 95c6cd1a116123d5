// Writes the colour benchmarks' 4096 x 4096 picture as a 24-bit BMP file,
// rows in the order the benchmarks' DIB holds them, for bench/peers.sh:
//   write_photo FILE
#include <cstdint>
#include <cstdio>
#include <vector>

#include "PhotoPicture.h"

namespace {

void Put(std::uint8_t* at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(value >> 8 * i);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_photo FILE\n");
        return 2;
    }
    constexpr int kSide = 4096; // rows of 3 * 4096 bytes need no padding
    std::vector<std::uint8_t> file(54 + std::size_t{3} * kSide * kSide);
    std::uint8_t* h = file.data();
    h[0] = 'B', h[1] = 'M';
    Put(h + 2, static_cast<std::uint32_t>(file.size()), 4);
    Put(h + 10, 54, 4); // pixels follow the two headers
    Put(h + 14, 40, 4);
    Put(h + 18, kSide, 4);
    Put(h + 22, kSide, 4); // bottom-up
    Put(h + 26, 1, 2);
    Put(h + 28, 24, 2);
    Put(h + 34, static_cast<std::uint32_t>(file.size() - 54), 4);
    rzbench::FillPhoto(kSide, kSide, h + 54, 3, false);
    std::FILE* out = std::fopen(argv[1], "wb");
    bool written = out && std::fwrite(h, 1, file.size(), out) == file.size();
    if (out && std::fclose(out) != 0) written = false;
    if (!written) std::fprintf(stderr, "write_photo: cannot write %s\n", argv[1]);
    return written ? 0 : 1;
}
