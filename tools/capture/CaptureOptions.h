#pragma once

#include <string>

// What to capture: the command line of the capture tool.
struct CaptureOptions {
    int fps = 60;
    int width = 1280;
    int height = 720;
    int msaa = 4;
    double start = 0.0;   // seconds of music
    double end = -1.0;    // seconds; negative means the end of the music
    double still = -1.0;  // seconds; a single frame at this time when not negative
    std::string out = "out/frames";  // a folder of PNGs, or a file ending in .mp4
    std::string music = "res/audio/melody.mp3";
};

// Parses argv; on a bad or --help argument prints the usage and returns false.
bool parseCaptureOptions(int argc, char** argv, CaptureOptions& options);
