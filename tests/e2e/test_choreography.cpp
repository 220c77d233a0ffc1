// The committed choreography in res/sync/: the track files against their timeline
// text, the names the demo reads, the music's sections, and what the tracks do
// to the camera over the whole timeline, read through the demo's own sync device.
#include "DemoTracks.h"
#include "TestPaths.h"

#include "timeline/SyncDevice.h"
#include "timeline/TrackStore.h"

#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>
#include <stb_image.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

constexpr double kToolTimeout = 60.0;
constexpr int kSampleStepRows = 2;

// What the camera must keep clear of: the near plane, the floor's noise, the cubes' paths.
constexpr float kNearPlane = 1.0f;
constexpr float kDegreesToRadians = 0.017453292f;
constexpr float kMinFocusDistance = 1.0f;
constexpr float kMaxUpAlignment = 0.999f;
constexpr float kCubePathRadius = 25.0f;
constexpr float kCubePathCentreY = 10.0f;
constexpr float kCubeSpacing = 35.0f;
constexpr int kCubeCount = 8;
constexpr int kMaxReported = 12;

std::string syncDir()
{
    return sourceDir() + "/res/sync";
}

ProcessResult runTool(const std::string& tool, const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {binDir() + "/" + tool};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProcess(argv, sourceDir(), {}, kToolTimeout);
}

// File name to bytes for every track file of a folder.
std::map<std::string, std::string> trackFiles(const std::string& dir)
{
    std::map<std::string, std::string> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() == ".track") {
            files[entry.path().filename().string()] = readFile(entry.path().string());
        }
    }
    return files;
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (size_t i = 0; i < lines.size() && i < kMaxReported; ++i) {
        text += "\n  " + lines[i];
    }
    if (lines.size() > kMaxReported) {
        text += "\n  ... and " + std::to_string(lines.size() - kMaxReported) + " more";
    }
    return text;
}

TEST(Choreography, CommittedTrackFilesAreExactlyWhatSynctoolBuildsFromTheTimeline)
{
    std::string out = makeTempDir("morlenth-choreography");
    ProcessResult build = runTool("synctool", {"build", demoTimelinePath(), out});
    ASSERT_EQ(build.exitCode, 0) << build.output;

    std::map<std::string, std::string> built = trackFiles(out);
    std::map<std::string, std::string> committed = trackFiles(syncDir());
    removeTree(out);
    ASSERT_FALSE(built.empty());
    std::vector<std::string> differences;
    for (const auto& [name, bytes] : built) {
        auto found = committed.find(name);
        if (found == committed.end()) {
            differences.push_back(name + " is built but not committed");
        } else if (found->second != bytes) {
            differences.push_back(name + " differs from what the timeline builds");
        }
    }
    for (const auto& [name, bytes] : committed) {
        if (built.count(name) == 0) {
            differences.push_back(name + " is committed but the timeline has no such track");
        }
    }
    EXPECT_TRUE(differences.empty()) << "run make sync:" << joined(differences);
}

TEST(Choreography, SynctoolCheckFindsNoProblemInTheCommittedTracks)
{
    ProcessResult check = runTool("synctool", {"check", syncDir()});
    EXPECT_EQ(check.exitCode, 0) << check.output;
    EXPECT_NE(check.output.find(" 0 problems"), std::string::npos) << check.output;
}

TEST(Choreography, EveryTrackTheDemoReadsHasAFileWithKeysAndEveryFileIsRead)
{
    TrackStore* store = createTrackStore((syncDir() + "/").c_str());
    ASSERT_NE(store, nullptr);
    for (const std::string& name : demoTrackNames()) {
        const Track* track = getTrack(store, name.c_str());
        EXPECT_TRUE(fs::is_regular_file(syncDir() + "/_" + name + ".track")) << name;
        EXPECT_TRUE(track != nullptr && track->keyCount > 0) << name << " has no keys";
    }
    destroyTrackStore(store);

    const std::vector<std::string>& names = demoTrackNames();
    for (const auto& [file, bytes] : trackFiles(syncDir())) {
        std::string name = file.substr(1, file.size() - 1 - std::string(".track").size());
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << file << " is read by nothing";
    }
}

// The timeline marks its sections with constants named after the music's sections.
TEST(Choreography, SectionMarksSitOnTheBarsTheMusicToolPrints)
{
    ProcessResult sections = runTool("musicgen", {"--sections"});
    ASSERT_EQ(sections.exitCode, 0) << sections.output;
    std::string timeline = readFile(demoTimelinePath());

    const std::regex line("^\\s+(\\w+)\\s+bars (\\d+)-(\\d+),");
    std::istringstream lines(sections.output);
    int count = 0;
    int lastEnd = -1;
    for (std::string text; std::getline(lines, text);) {
        std::smatch match;
        if (!std::regex_search(text, match, line)) {
            continue;
        }
        ++count;
        EXPECT_EQ(timelineConstantBar(timeline, "@" + match[1].str()), std::stoi(match[2].str())) << text;
        lastEnd = std::stoi(match[3].str());
    }
    EXPECT_GE(count, 6) << sections.output;
    EXPECT_EQ(timelineConstantBar(timeline, "@end"), lastEnd);
}

// The demo's own sync device on the committed files, moved row by row.
class ChoreographyTimeline : public ::testing::Test {
protected:
    void SetUp() override
    {
        sync.store = createTrackStore((syncDir() + "/").c_str());
        ASSERT_NE(sync.store, nullptr);
        endRow = demoEndRow();
        ASSERT_GT(endRow, 0) << "no '@end' mark in " << demoTimelinePath();
    }
    void TearDown() override { destroyTrackStore(sync.store); }

    template <typename Check>
    std::vector<std::string> everySample(Check check)
    {
        std::vector<std::string> problems;
        for (int row = 0; row <= endRow; row += kSampleStepRows) {
            sync.row = static_cast<float>(row);
            std::string problem = check();
            if (!problem.empty()) {
                problems.push_back("row " + std::to_string(row) + ": " + problem);
            }
        }
        return problems;
    }

    SyncDevice sync;
    int endRow = 0;
};

TEST_F(ChoreographyTimeline, NoTrackReadsNanOrInfinityAnywhere)
{
    std::vector<std::string> problems = everySample([this]() {
        std::string bad;
        for (const std::string& name : demoTrackNames()) {
            if (!std::isfinite(sync.getFloat(name.c_str()))) {
                bad += name + " ";
            }
        }
        return bad;
    });
    EXPECT_TRUE(problems.empty()) << joined(problems);
}

TEST_F(ChoreographyTimeline, TheGradeIsAlwaysOnAndTheDepthViewNeverShows)
{
    std::vector<std::string> problems = everySample([this]() {
        std::string bad;
        bad += sync.getBool("FX.EnableBloom") ? "" : "bloom (and with it the fades) off ";
        bad += sync.getBool("FX.RenderDepth") ? "depth view on " : "";
        return bad;
    });
    EXPECT_TRUE(problems.empty()) << joined(problems);
}

// The largest height the floor's noise reaches for a set of octave weights, in
// units of Grid.NoiseMagnitude: the sampler interpolates between texels, so no
// sample lies beyond the extreme texel.
class FloorBound {
public:
    bool load(const std::string& path)
    {
        int w = 0;
        int h = 0;
        int channels = 0;
        std::string bytes = readFile(path);
        unsigned char* data = stbi_load_from_memory(reinterpret_cast<const unsigned char*>(bytes.data()),
                                                    static_cast<int>(bytes.size()), &w, &h, &channels, 4);
        if (data == nullptr) {
            return false;
        }
        texels.assign(data, data + static_cast<size_t>(w) * h * 4);
        stbi_image_free(data);
        return true;
    }

    float peak(const glm::vec4& weights)
    {
        auto cached = peaks.find({weights.x, weights.y, weights.z, weights.w});
        if (cached != peaks.end()) {
            return cached->second;
        }
        float highest = 0.0f;
        for (size_t i = 0; i < texels.size(); i += 4) {
            glm::vec4 octaves(texels[i], texels[i + 1], texels[i + 2], texels[i + 3]);
            highest = std::max(highest, std::fabs(glm::dot(octaves / 255.0f * 2.0f - 1.0f, weights)));
        }
        peaks[{weights.x, weights.y, weights.z, weights.w}] = highest;
        return highest;
    }

private:
    std::vector<unsigned char> texels;
    std::map<std::vector<float>, float> peaks;
};

glm::vec3 orbitEye(SyncDevice& sync)
{
    glm::mat4 view(1.0f);
    view = glm::translate(view, glm::vec3(0.0f, 0.0f, -sync.getFloat("Camera.Distance")));
    view = glm::rotate(view, sync.getFloat("Camera.Pitch") * kDegreesToRadians, glm::vec3(1.0f, 0.0f, 0.0f));
    view = glm::rotate(view, sync.getFloat("Camera.Yaw") * kDegreesToRadians, glm::vec3(0.0f, 1.0f, 0.0f));
    view = glm::rotate(view, sync.getFloat("Camera.Roll") * kDegreesToRadians, glm::vec3(0.0f, 0.0f, 1.0f));
    return glm::vec3(glm::inverse(view)[3]);
}

bool finite(const glm::vec3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

std::string describe(const glm::vec3& v)
{
    std::ostringstream text;
    text << "(" << v.x << ", " << v.y << ", " << v.z << ")";
    return text.str();
}

// Mode 0 needs an eye apart from its target and a view not along the up axis; in
// either mode the eye stays above the floor's highest wave (or the ring plane when
// the floor is hidden) by the near plane, and outside the tube the cubes sweep.
TEST_F(ChoreographyTimeline, CameraIsNeverDegenerateNorInsideTheFloorOrTheCubesPaths)
{
    FloorBound floor;
    ASSERT_TRUE(floor.load(sourceDir() + "/res/textures/smoothNoise.png"));
    std::vector<std::string> problems = everySample([&]() -> std::string {
        int mode = sync.getInt("Camera.Mode");
        glm::vec3 eye;
        if (mode == 0) {
            eye = glm::vec3(sync.getFloat("Camera.X"), sync.getFloat("Camera.Y"), sync.getFloat("Camera.Z"));
            glm::vec3 target(sync.getFloat("Focus.X"), sync.getFloat("Focus.Y"), sync.getFloat("Focus.Z"));
            if (!finite(eye) || !finite(target) || glm::distance(eye, target) < kMinFocusDistance) {
                return "eye " + describe(eye) + " on or near its target " + describe(target);
            }
            if (std::fabs(glm::normalize(target - eye).y) > kMaxUpAlignment) {
                return "looks straight along the up axis from " + describe(eye);
            }
        } else if (mode == 1) {
            eye = orbitEye(sync);
            if (!finite(eye)) {
                return "orbit eye is not finite";
            }
        } else {
            return "camera mode " + std::to_string(mode) + " freezes the view";
        }

        float floorTop = 0.0f;
        if (sync.getBool("Grid.Visible")) {
            glm::vec4 weights(sync.getFloat("Grid.Noise1"), sync.getFloat("Grid.Noise2"),
                              sync.getFloat("Grid.Noise3"), sync.getFloat("Grid.Noise4"));
            float gravity = std::max(1.0f, std::fabs(1.0f - sync.getFloat("Grid.CenterGravity")));
            floorTop = floor.peak(weights) * std::fabs(sync.getFloat("Grid.NoiseMagnitude")) * gravity;
        }
        if (eye.y < floorTop + kNearPlane) {
            return "eye " + describe(eye) + " below the floor's top " + std::to_string(floorTop);
        }

        if (sync.getBool("Cube.Visible")) {
            float clearance = std::fabs(sync.getFloat("Cube.Scale")) * std::sqrt(3.0f) * 0.5f + kNearPlane;
            float first = sync.getFloat("Cube.Z");
            float last = first + (kCubeCount - 1) * kCubeSpacing;
            float fromAxis = std::hypot(eye.x, eye.y - kCubePathCentreY);
            bool inRing = std::fabs(fromAxis - kCubePathRadius) < clearance;
            bool alongPath = eye.z > first - clearance && eye.z < last + clearance;
            if (inRing && alongPath) {
                return "eye " + describe(eye) + " inside the cubes' path";
            }
        }
        return "";
    });
    EXPECT_TRUE(problems.empty()) << joined(problems);
}

}
