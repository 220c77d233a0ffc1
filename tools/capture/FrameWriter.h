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
    // frameCount sets the length of the music muxed into a video.
    bool open(const CaptureOptions& options, int frameCount);
    // pixels: RGBA8 rows bottom-up, as the GL reads them back.
    bool write(const std::vector<uint8_t>& pixels, int index);
    bool close();

private:
    bool openFolder(const std::string& path);
    bool openVideo(const CaptureOptions& options, int frameCount);
    bool writePng(const std::vector<uint8_t>& pixels, int index);

    FILE* ffmpeg = nullptr;
    std::string folder;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};
