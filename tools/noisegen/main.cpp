// Writes the grid's noise image: 256 x 256 RGBA, seamlessly tiling smooth
// gradient noise with one octave per channel (4, 8, 16 and 32 cells across
// the tile in red, green, blue and alpha), so the grid's bias vector mixes
// coarse and fine waves. Usage: noisegen [output.png]
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_PERLIN_IMPLEMENTATION
#include <stb_image_write.h>
#include <stb_perlin.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* kDefaultOutput = "res/textures/smoothNoise.png";
constexpr int kSize = 256;
constexpr int kChannels = 4;
// Powers of two, as the noise only wraps at those.
constexpr int kCellsPerTile[kChannels] = {4, 8, 16, 32};

// One octave, wrapping after the tile so the image repeats without a seam.
std::vector<float> octave(int channel)
{
    int cells = kCellsPerTile[channel];
    std::vector<float> values(kSize * kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            float u = static_cast<float>(x) * cells / kSize;
            float v = static_cast<float>(y) * cells / kSize;
            values[y * kSize + x] = stb_perlin_noise3_seed(u, v, 0.0f, cells, cells, 0, channel);
        }
    }
    return values;
}

// Stretches each octave over the whole byte range, so every channel has the
// same contrast and its mean sits near the middle.
void storeChannel(const std::vector<float>& values, int channel, std::vector<unsigned char>& pixels)
{
    auto range = std::minmax_element(values.begin(), values.end());
    float low = *range.first;
    float span = std::max(*range.second - low, 1e-6f);
    for (size_t i = 0; i < values.size(); ++i) {
        float unit = (values[i] - low) / span;
        pixels[i * kChannels + channel] = static_cast<unsigned char>(unit * 255.0f + 0.5f);
    }
}

}

int main(int argc, char** argv)
{
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::fprintf(stderr, "usage: noisegen [OUTPUT.png]   (default %s)\n", kDefaultOutput);
        return argc == 2 && std::string(argv[1]) == "--help" ? 0 : 2;
    }
    const char* output = argc > 1 ? argv[1] : kDefaultOutput;
    std::vector<unsigned char> pixels(kSize * kSize * kChannels);
    for (int channel = 0; channel < kChannels; ++channel) {
        storeChannel(octave(channel), channel, pixels);
    }
    if (stbi_write_png(output, kSize, kSize, kChannels, pixels.data(), kSize * kChannels) == 0) {
        std::fprintf(stderr, "noisegen: could not write %s\n", output);
        return 1;
    }
    std::printf("noisegen: wrote %s (%dx%d, %d octaves)\n", output, kSize, kSize, kChannels);
    return 0;
}
