#pragma once

#include "CaptureOptions.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Where captured frames go: numbered PNGs in a folder, or an MP4 made by an
// ffmpeg child process that also muxes in the music.
class FrameWriter {
public:
    bool open(const CaptureOptions& options);
    // pixels: RGBA8 rows bottom-up, as the GL reads them back.
    bool write(const std::vector<uint8_t>& pixels, int index);
    bool close();

    static bool wantsVideo(const std::string& out);

private:
    bool writePng(const std::vector<uint8_t>& pixels, int index);

    FILE* ffmpeg = nullptr;
    std::string folder;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> flipped;
};
