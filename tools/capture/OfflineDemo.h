#pragma once

#include "CaptureOptions.h"
#include "engine/Engine.h"

#include <cstdint>
#include <vector>

// The demo without its audio clock: the same window, sync device and scene as
// the program, but every frame's row comes from the exact time asked for.
class OfflineDemo {
public:
    bool init(const CaptureOptions& options);
    void renderFrame(double seconds);
    // RGBA8 rows of the frame just rendered, bottom-up.
    const std::vector<uint8_t>& readFrame();
    void shutdown();

    Engine engine;

private:
    std::vector<uint8_t> pixels;
};

// The decoded length of an MP3 in seconds, negative when it cannot be read.
double musicDuration(const char* path);
