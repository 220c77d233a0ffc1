#include "CaptureOptions.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* const kUsage =
    "usage: capture [options]   (run from the folder that holds res/)\n"
    "  --fps N          frames per second of music time (default 60)\n"
    "  --size WxH       resolution (default 1280x720)\n"
    "  --msaa N         multisample count of the scene buffer (default 4)\n"
    "  --start SEC      first frame time in seconds (default 0)\n"
    "  --end SEC        stop before this time (default: end of the music)\n"
    "  --still SEC      render the single frame at this time\n"
    "  --out PATH       folder for numbered PNGs (frame_000000.png, ...; older\n"
    "                   frames there are removed), or a .mp4 file (needs ffmpeg;\n"
    "                   H.264, yuv420p, even sizes only; the music is muxed in)\n"
    "                   (default out/frames)\n"
    "  --music PATH     music to measure and mux (default res/audio/melody.mp3)\n";

bool parseNumber(const char* text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0';
}

bool parseInt(const char* text, int& value, int minimum)
{
    double number = 0.0;
    if (!parseNumber(text, number) || number < minimum || number > 1 << 16) {
        return false;
    }
    value = static_cast<int>(number);
    return value == number;
}

bool parseSize(const char* text, int& width, int& height)
{
    return std::sscanf(text, "%dx%d", &width, &height) == 2 && width > 0 && height > 0 && width <= 8192 &&
           height <= 8192;
}

bool parseOne(const char* name, const char* value, CaptureOptions& options)
{
    if (std::strcmp(name, "--fps") == 0) {
        return parseInt(value, options.fps, 1);
    }
    if (std::strcmp(name, "--size") == 0) {
        return parseSize(value, options.width, options.height);
    }
    if (std::strcmp(name, "--msaa") == 0) {
        return parseInt(value, options.msaa, 0);
    }
    if (std::strcmp(name, "--start") == 0) {
        return parseNumber(value, options.start) && options.start >= 0.0;
    }
    if (std::strcmp(name, "--end") == 0) {
        return parseNumber(value, options.end);
    }
    if (std::strcmp(name, "--still") == 0) {
        return parseNumber(value, options.still) && options.still >= 0.0;
    }
    if (std::strcmp(name, "--out") == 0) {
        options.out = value;
        return !options.out.empty();
    }
    if (std::strcmp(name, "--music") == 0) {
        options.music = value;
        return true;
    }
    return false;
}

}

bool CaptureOptions::writesVideo() const
{
    return out.size() > 4 && out.compare(out.size() - 4, 4, ".mp4") == 0;
}

ParseResult parseCaptureOptions(int argc, char** argv, CaptureOptions& options)
{
    for (int i = 1; i < argc; i += 2) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return ParseResult::Help;
        }
        if (i + 1 >= argc || !parseOne(argv[i], argv[i + 1], options)) {
            std::fprintf(stderr, "capture: bad or incomplete option '%s'\n", argv[i]);
            std::fputs(kUsage, stderr);
            return ParseResult::Bad;
        }
    }
    // 4:2:0 chroma halves both axes, so the encoder refuses odd sizes.
    if (options.writesVideo() && (options.width % 2 != 0 || options.height % 2 != 0)) {
        std::fprintf(stderr, "capture: an .mp4 needs an even width and height, not %dx%d\n", options.width,
                     options.height);
        return ParseResult::Bad;
    }
    return ParseResult::Run;
}
