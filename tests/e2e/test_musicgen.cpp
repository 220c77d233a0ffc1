#include "audio/AudioBackend.h"
#include "audio/Mp3Decoder.h"

#include "TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

// The demo's timeline assumes this tempo and rate; the music has to keep them.
constexpr double kBpm = 110.0;
constexpr int kRate = 44100;
constexpr double kRenderTimeout = 240.0;
// A jump this many times larger than every nearby jump is a discontinuity, not a sound.
constexpr double kClickRatio = 6.0;
constexpr double kClickFloor = 0.003;
constexpr int kClickNeighbourhood = 32;

struct Audio {
    int rate = 0;
    int channels = 0;
    std::vector<float> left, right;
    int64_t frames() const { return static_cast<int64_t>(left.size()); }
};

struct Section {
    std::string name;
    int first = 0, end = 0;
};

int64_t frameAtBar(int bar) { return std::llround(bar * 4 * 60.0 / kBpm * kRate); }

std::string tool() { return binDir() + "/musicgen"; }

class TempDir {
public:
    TempDir() : path(makeTempDir("musicgen")) {}
    ~TempDir() { removeTree(path); }
    std::string file(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

ProcessResult runTool(const std::vector<std::string>& args, const TempDir& dir)
{
    std::vector<std::string> argv = {tool()};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProcess(argv, dir.path, {}, kRenderTimeout);
}

bool succeeded(const ProcessResult& result) { return result.exited && result.exitCode == 0; }

uint32_t le(const std::string& bytes, size_t at, int size)
{
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
    }
    return value;
}

// 16-bit PCM WAV; walks the chunks rather than trusting a fixed header size.
Audio readWav(const std::string& path)
{
    Audio audio;
    std::string bytes = readFile(path);
    for (size_t at = 12; at + 8 <= bytes.size();) {
        std::string tag = bytes.substr(at, 4);
        size_t size = std::min<size_t>(le(bytes, at + 4, 4), bytes.size() - at - 8);
        if (tag == "fmt ") {
            audio.channels = static_cast<int>(le(bytes, at + 10, 2));
            audio.rate = static_cast<int>(le(bytes, at + 12, 4));
        } else if (tag == "data" && audio.channels > 0) {
            for (size_t i = at + 8; i + 2 * audio.channels <= at + 8 + size; i += 2 * audio.channels) {
                audio.left.push_back(static_cast<int16_t>(le(bytes, i, 2)) / 32767.0f);
                size_t r = audio.channels > 1 ? i + 2 : i;
                audio.right.push_back(static_cast<int16_t>(le(bytes, r, 2)) / 32767.0f);
            }
        }
        at += 8 + size + (size & 1);
    }
    return audio;
}

void put(std::string& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

void writeWav(const std::string& path, const std::vector<float>& left, const std::vector<float>& right)
{
    uint32_t data = static_cast<uint32_t>(left.size() * 4);
    std::string out = "RIFF";
    put(out, 36 + data, 4);
    out += "WAVEfmt ";
    put(out, 16, 4); // format chunk size
    put(out, 1, 2);  // integer PCM
    put(out, 2, 2);
    put(out, kRate, 4);
    put(out, kRate * 4, 4);
    put(out, 4, 2);
    put(out, 16, 2);
    out += "data";
    put(out, data, 4);
    for (size_t i = 0; i < left.size(); ++i) {
        put(out, static_cast<uint16_t>(static_cast<int16_t>(std::lround(left[i] * 32767.0f))), 2);
        put(out, static_cast<uint16_t>(static_cast<int16_t>(std::lround(right[i] * 32767.0f))), 2);
    }
    writeFile(path, out);
}

// Through the demo's own decoder, which trims the encoder's delay and padding.
Audio decodeMp3(const std::string& path)
{
    Audio audio;
    Mp3Decoder decoder;
    if (decoder.open(path.c_str()) != kAudioOk || decoder.channels < 1) {
        return audio;
    }
    audio.rate = decoder.rate;
    audio.channels = decoder.channels;
    std::vector<int16_t> samples(static_cast<size_t>(decoder.lengthFrames * decoder.channels));
    int got = decoder.read(samples.data(), static_cast<int>(decoder.lengthFrames));
    for (int i = 0; i < got; ++i) {
        audio.left.push_back(samples[static_cast<size_t>(i * decoder.channels)] / 32767.0f);
        audio.right.push_back(samples[static_cast<size_t>(i * decoder.channels + decoder.channels - 1)] / 32767.0f);
    }
    return audio;
}

// A number printed by the tool right after `label`, e.g. "loudness " -> -14.0.
double reported(const std::string& output, const std::string& label)
{
    size_t at = output.find(label);
    return at == std::string::npos ? NAN : std::stod(output.substr(at + label.size()));
}

std::vector<Section> parseSections(const std::string& output)
{
    std::vector<Section> sections;
    std::smatch line;
    if (!std::regex_search(output, line, std::regex("sections: ([^\n]*)"))) {
        return sections;
    }
    std::string list = line[1];
    std::regex entry("([a-z0-9]+) ([0-9]+)-([0-9]+)");
    for (std::sregex_iterator it(list.begin(), list.end(), entry), end; it != end; ++it) {
        sections.push_back({(*it)[1], std::stoi((*it)[2]), std::stoi((*it)[3])});
    }
    return sections;
}

double peakDb(const Audio& audio)
{
    float peak = 0.0f;
    for (int64_t i = 0; i < audio.frames(); ++i) {
        peak = std::max({peak, std::fabs(audio.left[i]), std::fabs(audio.right[i])});
    }
    return 20.0 * std::log10(std::max(peak, 1e-9f));
}

// RMS in dBFS of the mid (sign +1) or side (sign -1) signal over [from, to).
double rmsDb(const Audio& audio, int64_t from, int64_t to, float sign = 1.0f)
{
    double sum = 0.0;
    for (int64_t i = from; i < to; ++i) {
        double v = 0.5 * (audio.left[i] + sign * audio.right[i]);
        sum += v * v;
    }
    return 10.0 * std::log10(std::max(sum / std::max<int64_t>(1, to - from), 1e-20));
}

// The largest ratio of a sample-to-sample jump to every jump 2..32 frames away.
// Noise and band-limited edges have neighbours of their size; a step does not.
double worstIsolatedJump(const std::vector<float>& x)
{
    std::vector<float> jump(x.size(), 0.0f);
    for (size_t i = 1; i < x.size(); ++i) {
        jump[i] = std::fabs(x[i] - x[i - 1]);
    }
    double worst = 0.0;
    for (size_t i = kClickNeighbourhood; i + kClickNeighbourhood < x.size(); ++i) {
        if (jump[i] < kClickFloor) {
            continue;
        }
        float around = 0.0f;
        for (int k = 2; k <= kClickNeighbourhood; ++k) {
            around = std::max({around, jump[i - k], jump[i + k]});
        }
        worst = std::max(worst, jump[i] / (around + 1e-6));
    }
    return worst;
}

double clickRatio(const Audio& audio)
{
    return std::max(worstIsolatedJump(audio.left), worstIsolatedJump(audio.right));
}

TEST(MusicTool, RendersTheSameBytesTwice)
{
    TempDir dir;
    ASSERT_TRUE(succeeded(runTool({"--bars", "16", "18", "--out", "a.wav"}, dir)));
    ASSERT_TRUE(succeeded(runTool({"--bars", "16", "18", "--out", "b.wav"}, dir)));
    std::string a = readFile(dir.file("a.wav"));
    EXPECT_GT(a.size(), 44u);
    EXPECT_TRUE(a == readFile(dir.file("b.wav")));
    EXPECT_GT(peakDb(readWav(dir.file("a.wav"))), -20.0) << "the main part should not be near silence";
}

TEST(MusicTool, ClipsLastExactlyTheirBars)
{
    const int ranges[][2] = {{0, 1}, {15, 17}, {70, 72}};
    TempDir dir;
    for (const auto& range : ranges) {
        SCOPED_TRACE("bars " + std::to_string(range[0]) + "-" + std::to_string(range[1]));
        ProcessResult run = runTool({"--bars", std::to_string(range[0]), std::to_string(range[1]), "--out", "c.wav"}, dir);
        ASSERT_TRUE(succeeded(run)) << run.output;
        Audio clip = readWav(dir.file("c.wav"));
        EXPECT_EQ(clip.rate, kRate);
        EXPECT_EQ(clip.channels, 2);
        EXPECT_EQ(clip.frames(), frameAtBar(range[1]) - frameAtBar(range[0]));
        EXPECT_LT(clickRatio(clip), kClickRatio) << "a clip's edges must not click either";
    }
}

TEST(MusicTool, RefusesBadRequestsWithoutWriting)
{
    const std::vector<std::vector<std::string>> requests = {
        {"--bars", "5", "5"}, {"--bars", "0", "999"}, {"--bars", "x", "2"}, {"--solo", "cowbell"},
        {"--measure", "missing.wav"}, {"--frobnicate"}, {"--out"},
    };
    TempDir dir;
    for (const auto& request : requests) {
        std::vector<std::string> args = request;
        if (request.front() != "--out" && request.front() != "--measure") {
            args.insert(args.end(), {"--out", "bad.wav"});
        }
        ProcessResult run = runTool(args, dir);
        SCOPED_TRACE(request.front() + " " + (request.size() > 1 ? request[1] : ""));
        EXPECT_TRUE(run.exited && run.exitCode != 0) << run.output;
        EXPECT_TRUE(readFile(dir.file("bad.wav")).empty());
    }
}

TEST(MusicTool, SectionsTileTheSongOnEightBarBoundaries)
{
    TempDir dir;
    ProcessResult run = runTool({"--sections"}, dir);
    ASSERT_TRUE(succeeded(run)) << run.output;
    std::vector<Section> sections = parseSections(run.output);
    const std::vector<std::string> names = {"intro", "build", "main", "breakdown", "main2", "outro"};
    ASSERT_EQ(sections.size(), names.size()) << run.output;
    int bar = 0;
    for (size_t i = 0; i < sections.size(); ++i) {
        SCOPED_TRACE(sections[i].name);
        EXPECT_EQ(sections[i].name, names[i]);
        EXPECT_EQ(sections[i].first, bar);
        EXPECT_GT(sections[i].end, sections[i].first);
        EXPECT_EQ(sections[i].end % 8, 0);
        // The choreography reads the rows: 64 per bar at 16 rows per beat.
        std::string rows = std::to_string(sections[i].first * 64) + "-" + std::to_string(sections[i].end * 64);
        EXPECT_NE(run.output.find("rows " + rows), std::string::npos) << run.output;
        bar = sections[i].end;
    }
    double seconds = static_cast<double>(frameAtBar(bar)) / kRate;
    EXPECT_GE(seconds, 120.0);
    EXPECT_LE(seconds, 180.0);
}

TEST(MusicTool, MeterReadsReferenceSignals)
{
    struct Case {
        const char* name;
        double hz, amplitude, phase;
        bool rightToo;
        double soundSeconds, silenceSeconds;
        double lufs, samplePeak, truePeak;
    };
    // A 1 kHz sine in both channels reads its own peak level in LUFS; gating
    // ignores silence; a quarter-rate sine at 45 degrees peaks 3 dB between samples.
    const Case cases[] = {
        {"stereo 1 kHz at -23", 1000.0, std::pow(10.0, -23.0 / 20.0), 0.0, true, 20.0, 0.0, -23.0, -23.0, -23.0},
        {"gated silence", 1000.0, std::pow(10.0, -23.0 / 20.0), 0.0, true, 10.0, 10.0, -23.0, -23.0, -23.0},
        {"left only at -20", 1000.0, 0.1, 0.0, false, 20.0, 0.0, -23.0, -20.0, -20.0},
        {"inter-sample peak", kRate / 4.0, 0.5, M_PI / 4.0, true, 5.0, 0.0, NAN, -9.03, -6.02},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        size_t sound = static_cast<size_t>(c.soundSeconds * kRate);
        std::vector<float> left(sound + static_cast<size_t>(c.silenceSeconds * kRate), 0.0f), right = left;
        for (size_t i = 0; i < sound; ++i) {
            left[i] = static_cast<float>(c.amplitude * std::sin(2.0 * M_PI * c.hz * i / kRate + c.phase));
            right[i] = c.rightToo ? left[i] : 0.0f;
        }
        writeWav(dir.file("ref.wav"), left, right);
        ProcessResult run = runTool({"--measure", "ref.wav"}, dir);
        ASSERT_TRUE(succeeded(run)) << run.output;
        if (!std::isnan(c.lufs)) {
            EXPECT_NEAR(reported(run.output, "loudness "), c.lufs, 0.2) << run.output;
        }
        EXPECT_NEAR(reported(run.output, "sample peak "), c.samplePeak, 0.05) << run.output;
        EXPECT_NEAR(reported(run.output, "true peak "), c.truePeak, 0.2) << run.output;
    }
}

// The whole song, rendered afresh: the mix targets, and the committed MP3 is its encoding.
TEST(MusicTool, WholeSongMeetsTheMixTargetsAndMatchesTheCommittedMp3)
{
    TempDir dir;
    ProcessResult run = runTool({"--out", "song.wav"}, dir);
    ASSERT_TRUE(succeeded(run)) << run.output;
    std::vector<Section> sections = parseSections(run.output);
    ASSERT_EQ(sections.size(), 6u);
    Audio song = readWav(dir.file("song.wav"));
    ASSERT_EQ(song.frames(), frameAtBar(sections.back().end));
    EXPECT_NEAR(reported(run.output, "loudness "), -14.0, 1.0) << run.output;
    EXPECT_LE(peakDb(song), -1.0);

    // Stereo, but not so wide that it falls apart in mono.
    double side = rmsDb(song, 0, song.frames(), -1.0f) - rmsDb(song, 0, song.frames());
    EXPECT_GT(side, -20.0);
    EXPECT_LT(side, -3.0);

    // The main parts carry the energy; intro and the breakdown's first half step back.
    auto sectionRms = [&](size_t i, int bars) {
        return rmsDb(song, frameAtBar(sections[i].first), frameAtBar(std::min(sections[i].end, sections[i].first + bars)));
    };
    for (size_t quiet : {0u, 3u}) {
        EXPECT_GT(sectionRms(2, 16) - sectionRms(quiet, 8), 3.0) << sections[quiet].name;
        EXPECT_GT(sectionRms(4, 16) - sectionRms(quiet, 8), 3.0) << sections[quiet].name;
    }
    EXPECT_LT(rmsDb(song, song.frames() - kRate / 100, song.frames()), -60.0) << "the song should fade out";

    EXPECT_LT(clickRatio(song), kClickRatio);
    Audio clicked = song;
    for (int64_t i = 5 * kRate; i < 6 * kRate; ++i) {
        clicked.left[i] += 0.05f;
    }
    EXPECT_GT(clickRatio(clicked), kClickRatio) << "the click detector must see a 0.05 step";

    Audio mp3 = decodeMp3(sourceDir() + "/res/audio/melody.mp3");
    ASSERT_EQ(mp3.rate, kRate);
    ASSERT_EQ(mp3.channels, 2);
    ASSERT_NEAR(static_cast<double>(mp3.frames()), static_cast<double>(song.frames()), 0.01 * kRate);
    EXPECT_LE(peakDb(mp3), -1.0);
    Audio difference = song;
    int64_t frames = std::min(song.frames(), mp3.frames());
    for (int64_t i = 0; i < frames; ++i) {
        difference.left[i] -= mp3.left[i];
        difference.right[i] -= mp3.right[i];
    }
    EXPECT_GT(rmsDb(song, 0, frames) - rmsDb(difference, 0, frames), 15.0)
        << "res/audio/melody.mp3 is not the tool's current song: run tools/musicgen/build_music.sh";
    // The score's events beside the MP3 are the tool's too, and in row order.
    ProcessResult events = runTool({"--events", "melody.events"}, dir);
    ASSERT_TRUE(succeeded(events)) << events.output;
    const std::string fresh = readFile(dir.file("melody.events"));
    EXPECT_TRUE(fresh == readFile(sourceDir() + "/res/audio/melody.events"))
        << "res/audio/melody.events is not the tool's current score: run tools/musicgen/build_music.sh";
    std::istringstream lines(fresh);
    double lastRow = -1.0;
    for (std::string line; std::getline(lines, line);) {
        int bar = 0;
        int beat = 0;
        double row = 0.0;
        if (line[0] == '#' || std::sscanf(line.c_str(), "%d:%d:%lf", &bar, &beat, &row) != 3) {
            continue;
        }
        const double at = bar * 64.0 + beat * 16.0 + row;
        ASSERT_GE(at, lastRow) << line;
        lastRow = at;
    }
    EXPECT_GE(lastRow, sections.back().first * 64.0) << "the events should run into the last section";
}

}
