// The committed noise image: what the grid's shader and sampler rely on.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include "TestPaths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

constexpr int kSize = 256;

struct NoiseImage {
    int width = 0;
    int height = 0;
    int channels = 0;
    unsigned char* pixels = nullptr;

    NoiseImage()
    {
        std::string path = testing_support::sourceDir() + "/res/textures/smoothNoise.png";
        pixels = stbi_load(path.c_str(), &width, &height, &channels, 4);
    }
    ~NoiseImage() { stbi_image_free(pixels); }

    int at(int x, int y, int channel) const
    {
        x = (x + width) % width;
        y = (y + height) % height;
        return pixels[(y * width + x) * 4 + channel];
    }

    // Mean absolute step between horizontal neighbours; column -1 wraps to the last.
    double meanStep(int channel, int fromColumn) const
    {
        double total = 0.0;
        for (int y = 0; y < height; ++y) {
            total += std::abs(at(fromColumn, y, channel) - at(fromColumn - 1, y, channel));
        }
        return total / height;
    }

    double averageStep(int channel) const
    {
        double total = 0.0;
        for (int x = 1; x < width; ++x) {
            total += meanStep(channel, x);
        }
        return total / (width - 1);
    }
};

TEST(NoiseTexture, IsAFourChannelSquareOfTwoHundredFiftySix)
{
    NoiseImage image;
    ASSERT_NE(image.pixels, nullptr);
    EXPECT_EQ(image.width, kSize);
    EXPECT_EQ(image.height, kSize);
    EXPECT_EQ(image.channels, 4);
}

TEST(NoiseTexture, EachChannelTilesWithoutASeamAndIsFinerThanTheOneBefore)
{
    NoiseImage image;
    ASSERT_NE(image.pixels, nullptr);
    double previousStep = 0.0;
    for (int channel = 0; channel < 4; ++channel) {
        double inside = image.averageStep(channel);
        // Across the wrap the image changes no more than between any two columns.
        EXPECT_LT(image.meanStep(channel, 0), inside * 2.0 + 1.0) << "channel " << channel;
        EXPECT_GT(inside, previousStep * 1.5) << "channel " << channel;
        previousStep = inside;
        double mean = 0.0;
        int low = 255;
        int high = 0;
        for (int i = 0; i < kSize * kSize; ++i) {
            int value = image.pixels[i * 4 + channel];
            mean += value;
            low = std::min(low, value);
            high = std::max(high, value);
        }
        mean /= kSize * kSize;
        // Centred near the middle, so the shader's shift to [-1, 1] leaves no drift.
        EXPECT_NEAR(mean, 127.5, 30.0) << "channel " << channel;
        EXPECT_LT(low, 20) << "channel " << channel;
        EXPECT_GT(high, 235) << "channel " << channel;
    }
}

}
