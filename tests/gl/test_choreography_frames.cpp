// The real scene with the demo's objects, driven by the committed tracks in
// res/sync/: what it asks the sync device for, and what it draws over the
// whole timeline at a small size.
#include "DemoTracks.h"
#include "SceneTestFixture.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace testing_support {
namespace {

constexpr int kFrameWidth = 96;
constexpr int kFrameHeight = 54;
// Frames drawn this often cover every section, both camera modes and every
// object visible at least once.
constexpr int kSurveyStepRows = 32;
constexpr int kSweepStepRows = 2;
// Below this fade the picture may go dark: the fades in and out.
constexpr float kFadeThreshold = 0.2f;
// A frame counts as drawn when this many pixels stand out from its median by
// kContrastLevels or more: a short arc of one ring at this size is above it.
constexpr int kMinContrastPixels = 8;
constexpr int kContrastLevels = 12;
constexpr int kMaxReported = 12;

class ChoreographyFrames : public ::testing::Test {
protected:
    static void SetUpTestSuite() { workDir = std::make_unique<SceneWorkDir>(); }
    static void TearDownTestSuite() { workDir.reset(); }

    void SetUp() override
    {
        resetGlState();
        engine = std::make_unique<Engine>();
        Engine::instance = engine.get();
        engine->window.width = kFrameWidth;
        engine->window.height = kFrameHeight;
        engine->window.msaaSamples = 0;
        engine->syncDevice.store = createTrackStore((sourceDir() + "/res/sync/").c_str());
        glViewport(0, 0, kFrameWidth, kFrameHeight);
        ASSERT_TRUE(engine->scene.init());
        started = true;
        addDemoObjects(engine->scene);
        endRow = demoEndRow();
        ASSERT_GT(endRow, 0);
    }

    void TearDown() override
    {
        if (started) {
            engine->scene.shutdown();
        }
        engine->syncDevice.shutdown();
        Engine::instance = nullptr;
        engine.reset();
        resetGlState();
    }

    std::vector<uint8_t> frameAt(int row)
    {
        engine->syncDevice.row = static_cast<float>(row);
        engine->scene.render(static_cast<float>(row) / kDemoRowsPerSecond);
        glFinish();
        return readPixels(0, 0, kFrameWidth, kFrameHeight);
    }

    static inline std::unique_ptr<SceneWorkDir> workDir;
    std::unique_ptr<Engine> engine;
    bool started = false;
    int endRow = 0;
};

// Pixels whose brightest channel lies kContrastLevels or more from the frame's median.
int contrastPixels(const std::vector<uint8_t>& pixels)
{
    std::vector<int> levels;
    for (size_t i = 0; i < pixels.size(); i += 4) {
        levels.push_back(std::max({pixels[i], pixels[i + 1], pixels[i + 2]}));
    }
    std::vector<int> sorted = levels;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    int median = sorted[sorted.size() / 2];
    return static_cast<int>(std::count_if(levels.begin(), levels.end(),
                                          [median](int level) { return std::abs(level - median) >= kContrastLevels; }));
}

// Whatever the scene and the post processor ask for must have a file and be on
// the test's list; whatever is on the list must be asked for somewhere.
TEST_F(ChoreographyFrames, EveryTrackTheSceneReadsIsOnTheListAndHasAFile)
{
    for (int row = 0; row <= endRow; row += kSurveyStepRows) {
        frameAt(row);
    }
    const TrackStore* store = engine->syncDevice.store;
    std::set<std::string> asked;
    for (int i = 0; i < store->trackCount; ++i) {
        asked.insert(store->tracks[i]->name);
    }
    std::set<std::string> listed(demoTrackNames().begin(), demoTrackNames().end());
    for (const std::string& name : asked) {
        EXPECT_TRUE(listed.count(name) != 0) << name << " is read but missing from the list";
        EXPECT_TRUE(std::filesystem::is_regular_file(sourceDir() + "/res/sync/_" + name + ".track"))
            << name << " is read but has no file";
    }
    for (const std::string& name : listed) {
        EXPECT_TRUE(asked.count(name) != 0) << name << " is listed but never read";
    }
}

TEST_F(ChoreographyFrames, EveryFrameOutsideTheFadesShowsSomething)
{
    std::vector<std::string> blank;
    int checked = 0;
    for (int row = 0; row <= endRow; row += kSweepStepRows) {
        std::vector<uint8_t> pixels = frameAt(row);
        float fade = engine->syncDevice.getFloat("FX.Fade");
        if (fade <= kFadeThreshold) {
            continue;
        }
        ++checked;
        int contrast = contrastPixels(pixels);
        if (contrast < kMinContrastPixels) {
            blank.push_back("row " + std::to_string(row) + ": " + std::to_string(contrast) + " pixels stand out");
        }
    }
    EXPECT_GT(checked, endRow / kSweepStepRows / 2);
    std::string report;
    for (size_t i = 0; i < blank.size() && i < kMaxReported; ++i) {
        report += "\n  " + blank[i];
    }
    EXPECT_TRUE(blank.empty()) << blank.size() << " frames look empty:" << report;
    EXPECT_TRUE(takeGlErrors().empty());
}

}
}
