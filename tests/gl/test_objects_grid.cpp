// The grid's floor read back from the window: the noise moves it, gravity
// holds its centre, and it still draws without its noise image.
#include "SceneTestFixture.h"

namespace testing_support {
namespace {

class GridPixels : public SceneTest {
protected:
    std::vector<uint8_t> gridFrame(float magnitude, float gravity, float scroll)
    {
        TearDown();
        SetUp();
        setTrack("Grid.Visible", 1.0f);
        setTrack("Grid.Noise1", 1.0f);
        setTrack("Grid.Noise3", 0.5f);
        setTrack("Grid.NoiseMagnitude", magnitude);
        setTrack("Grid.CenterGravity", gravity);
        setTrack("Grid.NoiseScrollX", scroll);
        lookFrom({0.0f, 40.0f, 90.0f}, {0.0f, 0.0f, 0.0f});
        return frameWithDemoObjects(0.0f);
    }

    // Share of differing pixels within a square around a window position.
    static double difference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, glm::vec3 at, int half)
    {
        int differ = 0;
        int total = 0;
        for (int y = static_cast<int>(at.y) - half; y <= static_cast<int>(at.y) + half; ++y) {
            for (int x = static_cast<int>(at.x) - half; x <= static_cast<int>(at.x) + half; ++x) {
                differ += isLit(a, x, y) != isLit(b, x, y) ? 1 : 0;
                ++total;
            }
        }
        return static_cast<double>(differ) / total;
    }
};

TEST_F(GridPixels, TheNoiseMovesTheFloorExceptWhereGravityHoldsIt)
{
    LogCapture log;
    std::vector<uint8_t> flat = gridFrame(0.0f, 0.0f, 0.0f);
    glm::vec3 origin = projectToWindow(glm::vec3(0.0f));
    std::vector<uint8_t> waves = gridFrame(12.0f, 0.0f, 0.0f);
    std::vector<uint8_t> held = gridFrame(12.0f, 1.0f, 0.0f);
    std::vector<uint8_t> scrolled = gridFrame(12.0f, 0.0f, 0.37f);

    EXPECT_GT(countLit(flat), 5000);
    glm::vec3 whole(kGlWindowWidth / 2.0f, kGlWindowHeight / 2.0f, 0.0f);
    EXPECT_GT(difference(flat, waves, whole, 170), 0.05);
    EXPECT_GT(difference(waves, scrolled, whole, 170), 0.05);
    // At the centre, gravity pulls the waves back to the flat floor; elsewhere
    // the floor still moves.
    EXPECT_GT(difference(flat, waves, origin, 6), 0.05);
    EXPECT_LT(difference(flat, held, origin, 6), 0.02);
    EXPECT_GT(difference(flat, held, whole, 170), 0.05);
    EXPECT_TRUE(log.lines().empty()) << log.lines().front();
}

TEST_F(GridPixels, AGridWithoutItsNoiseImageStillDraws)
{
    std::vector<uint8_t> flat = gridFrame(0.0f, 0.0f, 0.0f);
    TearDown();
    SetUp();
    setTrack("Grid.Visible", 1.0f);
    lookFrom({0.0f, 40.0f, 90.0f}, {0.0f, 0.0f, 0.0f});
    ASSERT_TRUE(startScene());
    LogCapture log;
    {
        SceneWorkDir withoutTexture(false);
        addDemoObjects(scene());
    }
    std::vector<uint8_t> pixels = renderFrame(0.0f);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Failed to initialize smoothNoise.png!"});
    EXPECT_EQ(pixels, flat);
}

}
}
