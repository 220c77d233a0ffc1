#pragma once

#include <string>
#include <vector>

// Every track the demo reads, by owner. The choreography in res/sync/ must give
// each one a file; the GL choreography test checks this list against the names
// the real scene asks the sync device for.
namespace testing_support {

inline const std::vector<std::string>& demoTrackNames()
{
    static const std::vector<std::string> names = {
        "Camera.Mode", "Camera.X", "Camera.Y", "Camera.Z", "Focus.X", "Focus.Y", "Focus.Z",
        "Camera.Distance", "Camera.Pitch", "Camera.Yaw", "Camera.Roll",
        "Ring1.Progress", "Ring1.Rotation", "Ring2.Progress", "Ring2.Rotation",
        "Cube.Visible", "Cube.Z", "Cube.Scale",
        "Grid.Visible", "Grid.Noise1", "Grid.Noise2", "Grid.Noise3", "Grid.Noise4", "Grid.NoiseMagnitude",
        "Grid.NoiseScrollX", "Grid.NoiseScrollY", "Grid.CenterGravity",
        "Flakes.Visible", "Flakes.X", "Flakes.Y", "Flakes.Z", "Flakes.Time", "Flakes.Fade",
        "Needles.Visible", "Needles.X", "Needles.Y", "Needles.Z", "Needles.Time", "Needles.Fade",
        "FX.EnableBloom", "FX.RenderDepth", "FX.HighPassCutoff", "FX.BlurMagnitude", "FX.Fade", "FX.BloomDry",
        "FX.BloomWet", "FX.Exposure", "FX.Flash", "FX.Vignette", "FX.BG_R", "FX.BG_G", "FX.BG_B", "FX.BG_A",
    };
    return names;
}

constexpr int kRowsPerBar = 64;
constexpr float kDemoRowsPerSecond = 110.0f / 60.0f * 16.0f;

// The committed timeline text, res/sync/demo.timeline.
std::string demoTimelinePath();

// The bar of a constant defined in the timeline text as '@name = BAR' with a plain
// number (the section marks); -1 when there is no such line.
int timelineConstantBar(const std::string& timelineText, const std::string& name);

// The last row of the choreography: the bar of its '@end' mark.
int demoEndRow();

}
