// Writes the image-load fuzz target's whole-resource seed: control byte 0 (the rest of the input
// is the resource) followed by the sample image in its stored form.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

#include "sample_stored_image.h"

int main(int argc, char** argv) {
    constexpr std::uint8_t kWholeResource = 0x00;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
        return 2;
    }
    const std::vector<std::uint8_t> stored = korvo::fuzz::SampleStoredImage();
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.put(static_cast<char>(kWholeResource));
    out.write(reinterpret_cast<const char*>(stored.data()),
              static_cast<std::streamsize>(stored.size()));
    if (!out) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
