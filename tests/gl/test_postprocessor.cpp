#include "test_postprocessor_fixture.h"

using namespace postfx_test;

namespace {

// Distinct values on every pixel, each an exact 8-bit level so the window can be
// compared byte for byte; levels stay at or below topLevel.
std::vector<float> patternScene(int width, int height, int topLevel = 255)
{
    const int levels = topLevel + 1;
    std::vector<float> rgba;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            rgba.push_back(static_cast<float>((x + 2 * y) % levels) / 255.0f);
            rgba.push_back(static_cast<float>((3 * x + y) % levels) / 255.0f);
            rgba.push_back(static_cast<float>((x * y) % levels) / 255.0f);
            rgba.push_back(1.0f);
        }
    }
    return rgba;
}

int countRgbDifferences(const std::vector<uint8_t>& window, const std::vector<float>& expected, int tolerance)
{
    int differences = 0;
    for (size_t i = 0; i < window.size(); i += 4) {
        for (size_t c = 0; c < 3; ++c) {
            if (std::abs(window[i + c] - toByte(expected[i + c])) > tolerance) {
                ++differences;
                break;
            }
        }
    }
    return differences;
}

}

TEST_F(PostProcessorTest, BloomOffOrMissingShowsTheSceneUntouchedWhateverTheGrade)
{
    const struct {
        const char* name;
        TrackValues tracks;
    } cases[] = {
        {"no track files", {}},
        {"bloom 0, neutral grade", {{"FX.EnableBloom", 0.0f}, {"FX.Fade", 1.0f}, {"FX.Exposure", 0.0f}}},
        {"bloom 0, faded and over-exposed",
         {{"FX.EnableBloom", 0.0f}, {"FX.Fade", 0.0f}, {"FX.Exposure", 3.0f}, {"FX.Flash", 1.0f},
          {"FX.Vignette", 1.0f}, {"FX.BG_R", 1.0f}, {"FX.BG_A", 1.0f}}},
        {"bloom negative", {{"FX.EnableBloom", -1.0f}, {"FX.Fade", 0.5f}, {"FX.Exposure", -2.0f}}},
    };
    initAll(kWidth, kHeight, 0);
    const std::vector<float> scene = patternScene(kWidth, kHeight);
    uploadScene(scene);
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        setTracks(testCase.tracks);
        for (FrameBuffer* buffer : chainBuffers()) {
            fillWithSentinel(*buffer);
        }
        applyFrame();
        EXPECT_EQ(countRgbDifferences(readWindow(), scene, 0), 0);
        for (FrameBuffer* buffer : chainBuffers()) {
            EXPECT_TRUE(holdsSentinel(*buffer)) << "a chain pass ran into buffer " << buffer->fbo;
        }
    }
}

TEST_F(PostProcessorTest, BloomOnShowsTheCompositeBuiltFromTheSceneBuffer)
{
    initAll(kWidth, kHeight, 0);
    // Below the tone curve's shoulder, where the neutral grade is the identity.
    const std::vector<float> scene = patternScene(kWidth, kHeight, 200);
    uploadScene(scene);
    for (FrameBuffer* buffer : {&postProcessor.resolvedSceneBuffer, &postProcessor.depthBuffer}) {
        fillWithSentinel(*buffer);
    }

    // Dry only: the composite is the scene buffer itself, read without a resolve.
    setTracks(neutralBloom());
    applyFrame();
    EXPECT_EQ(countRgbDifferences(readWindow(), scene, 1), 0);
    EXPECT_EQ(readWindow(), readTextureRgba8(postProcessor.compositeBuffer.getColorTexture(0)));
    EXPECT_TRUE(holdsSentinel(postProcessor.resolvedSceneBuffer)) << "a resolve pass ran";
    EXPECT_TRUE(holdsSentinel(postProcessor.depthBuffer)) << "a resolve pass ran";

    // With every control in play the window still shows exactly the composite.
    setTracks(neutralBloom({{"FX.BloomWet", 1.5f}, {"FX.Fade", 0.7f}, {"FX.Vignette", 0.6f},
                            {"FX.Exposure", 0.5f}, {"FX.BG_G", 0.5f}, {"FX.BG_A", 0.3f}}));
    for (FrameBuffer* buffer : chainBuffers()) {
        fillWithSentinel(*buffer);
    }
    applyFrame();
    const std::vector<uint8_t> window = readWindow();
    EXPECT_EQ(window, readTextureRgba8(postProcessor.compositeBuffer.getColorTexture(0)));
    EXPECT_GT(countRgbDifferences(window, scene, 1), kWidth * kHeight / 2);
    for (FrameBuffer* buffer : chainBuffers()) {
        EXPECT_FALSE(holdsSentinel(*buffer)) << "a chain pass skipped buffer " << buffer->fbo;
    }
}

TEST_F(PostProcessorTest, GradeControlsActOnTheComposite)
{
    initAll(kWidth, kHeight, 0);
    constexpr float kGrey = 0.3f;
    uploadFlatScene(kGrey, kGrey, kGrey);
    setTracks(neutralBloom());
    applyFrame();
    const std::vector<uint8_t> neutral = readWindow();
    const Rgba neutralCentre = pixelAt(neutral, kWidth, kWidth / 2, kHeight / 2);
    ASSERT_NEAR(neutralCentre.g, toByte(kGrey), 1);

    const struct {
        const char* name;
        TrackValues grade;
        float centre;    // expected centre grey as a factor of the neutral grey, -1 for white
        bool darkCorner; // the corners end darker than the centre
    } cases[] = {
        {"fade 0 is black", {{"FX.Fade", 0.0f}}, 0.0f, false},
        {"fade 0.5 halves", {{"FX.Fade", 0.5f}}, 0.5f, false},
        {"exposure +1 doubles", {{"FX.Exposure", 1.0f}}, 2.0f, false},
        {"exposure -1 halves", {{"FX.Exposure", -1.0f}}, 0.5f, false},
        {"flash 1 is white", {{"FX.Flash", 1.0f}}, -1.0f, false},
        {"vignette darkens only the corners", {{"FX.Vignette", 1.0f}}, 1.0f, true},
        {"zero colour correction changes nothing",
         {{"FX.BG_R", 0.0f}, {"FX.BG_G", 0.0f}, {"FX.BG_B", 0.0f}, {"FX.BG_A", 0.0f}}, 1.0f, false},
        {"colour correction without strength changes nothing", {{"FX.BG_R", 1.0f}}, 1.0f, false},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        setTracks(neutralBloom(testCase.grade));
        applyFrame();
        const std::vector<uint8_t> window = readWindow();
        const Rgba centre = pixelAt(window, kWidth, kWidth / 2, kHeight / 2);
        const Rgba corner = pixelAt(window, kWidth, 0, 0);
        const int expected = testCase.centre < 0.0f ? 255 : toByte(kGrey * testCase.centre);
        EXPECT_NEAR(centre.g, expected, 2);
        if (testCase.darkCorner) {
            EXPECT_LT(corner.g, centre.g / 4);
        } else {
            EXPECT_NEAR(corner.g, centre.g, 2);
        }
    }

    // An orange tint at half strength: each channel is lifted by strength x tint
    // of its distance to white, so every one of R, G, B and A must land in its place.
    setTracks(neutralBloom({{"FX.BG_R", 1.0f}, {"FX.BG_G", 0.5f}, {"FX.BG_B", 0.0f}, {"FX.BG_A", 0.5f}}));
    applyFrame();
    const Rgba tinted = pixelAt(readWindow(), kWidth, kWidth / 2, kHeight / 2);
    EXPECT_NEAR(tinted.r, toByte(kGrey + 0.5f * 1.0f * (1.0f - kGrey)), 2);
    EXPECT_NEAR(tinted.g, toByte(kGrey + 0.5f * 0.5f * (1.0f - kGrey)), 2);
    EXPECT_NEAR(tinted.b, neutralCentre.b, 1);
}

TEST_F(PostProcessorTest, HighlightsRollOffInsteadOfClipping)
{
    initAll(kWidth, kHeight, 0);
    // Columns of rising brightness, all above the level where a plain copy saturates.
    const float levels[] = {0.9f, 1.0f, 1.15f, 1.3f, 1.5f};
    constexpr int kColumns = 5;
    std::vector<float> rgba;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const float level = levels[x * kColumns / kWidth];
            rgba.insert(rgba.end(), {level, level, level, 1.0f});
        }
    }
    uploadScene(rgba);
    setTracks(neutralBloom());
    applyFrame();
    const std::vector<uint8_t> window = readWindow();
    int previous = 0;
    for (int column = 0; column < kColumns; ++column) {
        const int x = (2 * column + 1) * kWidth / (2 * kColumns);
        const int value = pixelAt(window, kWidth, x, kHeight / 2).g;
        EXPECT_GT(value, previous) << "column " << column;
        EXPECT_LT(value, 255) << "column " << column;
        previous = value;
    }
}

namespace {

// How far the halo reaches to the right of the spot's centre along its middle row.
int haloRadius(const std::vector<uint8_t>& window, int centreX, int row, int threshold)
{
    int radius = 0;
    for (int x = centreX; x < kWidth; ++x) {
        if (pixelAt(window, kWidth, x, row).g >= threshold) {
            radius = x - centreX;
        }
    }
    return radius;
}

}

// The spot is exactly one texel of the quarter-size blur buffers (4 x 4 pixels on
// their grid): a lone full-size pixel would be averaged down to 1/16 in the 8-bit
// down-samplings and its halo would fall below one 8-bit step.
TEST_F(PostProcessorTest, BrightSpotSpreadsIntoAHaloThatGrowsWithTheBlurMagnitude)
{
    initAll(kWidth, kHeight, 0);
    constexpr int kSpotX = 320;
    constexpr int kSpotY = 180;
    constexpr int kSpotSize = 4;
    std::vector<float> rgba(static_cast<size_t>(kWidth) * kHeight * 4, 0.0f);
    for (int y = kSpotY; y < kSpotY + kSpotSize; ++y) {
        for (int x = kSpotX; x < kSpotX + kSpotSize; ++x) {
            const size_t i = (static_cast<size_t>(y) * kWidth + x) * 4;
            rgba[i] = rgba[i + 1] = rgba[i + 2] = 2.0f;
        }
    }
    uploadScene(rgba);

    const float magnitudes[] = {0.5f, 1.0f, 2.0f, 4.0f};
    constexpr int kThreshold = 4;
    int previous = kSpotSize / 2;
    for (float magnitude : magnitudes) {
        SCOPED_TRACE(testing::Message() << "magnitude " << magnitude);
        setTracks(neutralBloom({{"FX.BloomWet", 4.0f}, {"FX.BlurMagnitude", magnitude}}));
        applyFrame();
        const std::vector<uint8_t> window = readWindow();
        const int radius = haloRadius(window, kSpotX + kSpotSize / 2, kSpotY + kSpotSize / 2, kThreshold);
        EXPECT_GT(radius, previous);
        previous = radius;
        // Far from the spot the picture stays black.
        EXPECT_EQ(pixelAt(window, kWidth, 20, 20).g, 0);
    }

    // Without the wet bloom only the spot itself is lit.
    setTracks(neutralBloom({{"FX.BlurMagnitude", 4.0f}}));
    applyFrame();
    EXPECT_LE(haloRadius(readWindow(), kSpotX + kSpotSize / 2, kSpotY + kSpotSize / 2, kThreshold), kSpotSize / 2);
}

TEST_F(PostProcessorTest, TracksAreReadEveryFrameAtTheCurrentRow)
{
    initAll(kWidth, kHeight, 0);
    uploadFlatScene(0.5f, 0.5f, 0.5f);
    setTracks(neutralBloom());
    writeTrackFile(trackDirs.back(), "FX.Fade", {TrackKey{0, 1.0f, Step}, TrackKey{100, 0.0f, Step}});
    writeTrackFile(trackDirs.back(), "FX.EnableBloom", {TrackKey{0, 1.0f, Step}, TrackKey{200, 0.0f, Step}});
    const struct {
        float row;
        int centre;
    } frames[] = {{0.0f, toByte(0.5f)}, {150.0f, 0}, {250.0f, toByte(0.5f)}, {50.0f, toByte(0.5f)}, {120.0f, 0}};
    for (const auto& frame : frames) {
        SCOPED_TRACE(testing::Message() << "row " << frame.row);
        engine->syncDevice.row = frame.row;
        applyFrame();
        EXPECT_NEAR(pixelAt(readWindow(), kWidth, kWidth / 2, kHeight / 2).g, frame.centre, 1);
    }
}
