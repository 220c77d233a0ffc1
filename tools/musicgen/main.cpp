#include "Composition.h"
#include "Loudness.h"
#include "Mixer.h"
#include "ScoreEvents.h"
#include "WavFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace musicgen;

namespace {

constexpr const char* kDefaultOut = "melody.wav";
constexpr const char* kUsage =
    "usage: musicgen [--out FILE] [--bars FROM TO] [--solo PART,...] [--sections]\n"
    "       musicgen --events FILE\n"
    "       musicgen --measure FILE\n"
    "Synthesises the demo's music into a 16-bit stereo WAV and prints its sections,\n"
    "loudness and peaks. --bars renders bars FROM (inclusive) to TO (exclusive);\n"
    "--solo renders only the named parts: kick, snare, clap, hats, crash, drums\n"
    "(all five), bass, pad, lead, arp, risers.\n"
    "--sections prints the section list and renders nothing. --events writes every\n"
    "drum hit, note onset and riser start of the score, by row, and renders nothing.\n"
    "--measure reads a WAV.\n";

struct Options {
    std::string out = kDefaultOut;
    std::string measurePath;
    std::string eventsPath;
    int fromBar = -1;
    int toBar = -1;
    unsigned parts = kAllParts;
    bool sectionsOnly = false;
};

bool parseBar(const char* text, int& bar)
{
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > 100000) {
        return false;
    }
    bar = static_cast<int>(value);
    return true;
}

bool parseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasOne = i + 1 < argc;
        if (arg == "--out" && hasOne) {
            options.out = argv[++i];
        } else if (arg == "--events" && hasOne) {
            options.eventsPath = argv[++i];
        } else if (arg == "--measure" && hasOne) {
            options.measurePath = argv[++i];
        } else if (arg == "--bars" && i + 2 < argc) {
            if (!parseBar(argv[i + 1], options.fromBar) || !parseBar(argv[i + 2], options.toBar)) {
                return false;
            }
            i += 2;
        } else if (arg == "--solo" && hasOne) {
            if (!parseParts(argv[++i], options.parts)) {
                return false;
            }
        } else if (arg == "--sections") {
            options.sectionsOnly = true;
        } else {
            return false;
        }
    }
    return true;
}

std::string clock(double seconds)
{
    char text[32];
    int minutes = static_cast<int>(seconds / 60.0);
    std::snprintf(text, sizeof(text), "%d:%06.3f", minutes, seconds - 60.0 * minutes);
    return text;
}

// One summary line for quick reading, then a line per section with the
// timeline's rows (16 per beat) and the clock time, for whoever choreographs.
void printSections(const Score& score)
{
    std::printf("sections:");
    for (size_t i = 0; i < score.sections.size(); ++i) {
        const Section& s = score.sections[i];
        std::printf("%s %s %d-%d", i == 0 ? "" : ",", s.name.c_str(), s.firstBar, s.endBar);
    }
    std::printf("\n");
    const int rowsPerBar = kBeatsPerBar * kRowsPerBeat;
    for (const Section& s : score.sections) {
        std::printf("  %-10s bars %d-%d, rows %d-%d, time %s-%s\n", s.name.c_str(), s.firstBar, s.endBar,
                    s.firstBar * rowsPerBar, s.endBar * rowsPerBar,
                    clock(static_cast<double>(frameAtBar(s.firstBar)) / kSampleRate).c_str(),
                    clock(static_cast<double>(frameAtBar(s.endBar)) / kSampleRate).c_str());
    }
}

void printReport(const StereoBuffer& audio)
{
    LoudnessReport report = measure(audio);
    std::printf("loudness %.1f LUFS integrated, sample peak %.2f dBFS, true peak %.2f dBTP, duration %.3f s\n",
                report.integratedLufs, report.samplePeakDb, report.truePeakDb, report.seconds);
}

int writeEvents(const Score& score, const std::string& path)
{
    const std::vector<ScoreEvent> events = scoreEvents(score);
    const std::string text = formatEvents(events);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "musicgen: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        return EXIT_FAILURE;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "musicgen: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        return EXIT_FAILURE;
    }
    std::printf("wrote %s: %zu events\n", path.c_str(), events.size());
    return EXIT_SUCCESS;
}

int render(const Score& score, const Options& options)
{
    MixRequest request;
    request.fromBar = options.fromBar < 0 ? 0 : options.fromBar;
    request.toBar = options.toBar < 0 ? score.bars : options.toBar;
    request.parts = options.parts;
    if (request.fromBar >= request.toBar || request.toBar > score.bars) {
        std::fprintf(stderr, "musicgen: --bars needs 0 <= FROM < TO <= %d\n", score.bars);
        return EXIT_FAILURE;
    }
    std::printf("rendering bars %d-%d at %.0f BPM\n", request.fromBar, request.toBar, kBpm);
    StereoBuffer mix;
    LimiterStats limiter = renderMix(score, request, mix);
    std::printf("limiter: at most %.1f dB of gain reduction, %.1f%% of frames reduced by more than 1 dB\n",
                limiter.maxReductionDb, 100.0 * limiter.reducedFraction);
    quantizeTo16Bits(mix);
    if (!writeWav(options.out, mix)) {
        return EXIT_FAILURE;
    }
    std::printf("wrote %s: %lld frames, %d Hz, stereo, 16-bit\n", options.out.c_str(),
                static_cast<long long>(mix.frames()), kSampleRate);
    printReport(mix);
    return EXIT_SUCCESS;
}

}

int main(int argc, char** argv)
{
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return EXIT_FAILURE;
    }
    if (!options.measurePath.empty()) {
        StereoBuffer audio;
        if (!readWav(options.measurePath, audio)) {
            return EXIT_FAILURE;
        }
        printReport(audio);
        return EXIT_SUCCESS;
    }
    Score score;
    if (!composeSong(score)) {
        return EXIT_FAILURE;
    }
    printSections(score);
    if (!options.eventsPath.empty()) {
        return writeEvents(score, options.eventsPath);
    }
    return options.sectionsOnly ? EXIT_SUCCESS : render(score, options);
}
