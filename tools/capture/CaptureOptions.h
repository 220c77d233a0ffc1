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

    // An --out ending in .mp4 asks for a video instead of a folder of PNGs.
    bool writesVideo() const;
};

enum class ParseResult { Run, Help, Bad };

// Parses argv. --help prints the usage on standard output; a bad argument prints
// what is wrong and the usage on standard error.
ParseResult parseCaptureOptions(int argc, char** argv, CaptureOptions& options);
