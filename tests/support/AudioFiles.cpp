#include "AudioFiles.h"

#include "TestPaths.h"
#include "audio/AudioBackend.h"
#include "audio/Mp3Decoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace testing_support {

namespace {

constexpr float kSilence = 1e-4f;

// Bytes of the MPEG-1 Layer III frame whose header starts at `at`; 0 if there is none.
size_t mpeg1Layer3FrameBytes(const std::string& mp3, size_t at)
{
    static const int kKilobits[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int kRates[] = {44100, 48000, 32000, 0};
    if (mp3.size() < at + 4 || static_cast<unsigned char>(mp3[at]) != 0xff ||
        (static_cast<unsigned char>(mp3[at + 1]) & 0xfe) != 0xfa) {
        return 0;
    }
    const unsigned char flags = static_cast<unsigned char>(mp3[at + 2]);
    const int rate = kRates[(flags >> 2) & 3];
    return rate == 0 ? 0 : static_cast<size_t>(144000 * kKilobits[flags >> 4] / rate + ((flags >> 1) & 1));
}

}

void appendLittleEndian(std::string& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
    }
}

std::string withoutTagFrame(const std::string& mp3)
{
    const size_t tagFrame = mpeg1Layer3FrameBytes(mp3, 0);
    return tagFrame > 0 && tagFrame < mp3.size() ? mp3.substr(tagFrame) : std::string();
}

std::string decodedAsWave(const std::string& mp3Path)
{
    Mp3Decoder decoder;
    if (decoder.open(mp3Path.c_str()) != kAudioOk) {
        return std::string();
    }
    std::vector<int16_t> samples(static_cast<size_t>(decoder.lengthFrames) * decoder.channels);
    decoder.read(samples.data(), static_cast<int>(decoder.lengthFrames));
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * sizeof(int16_t));
    std::string wave = "RIFF";
    appendLittleEndian(wave, 36 + dataBytes, 4);
    wave += "WAVEfmt ";
    appendLittleEndian(wave, 16, 4);
    appendLittleEndian(wave, 1, 2);  // integer PCM
    appendLittleEndian(wave, static_cast<uint32_t>(decoder.channels), 2);
    appendLittleEndian(wave, static_cast<uint32_t>(decoder.rate), 4);
    appendLittleEndian(wave, static_cast<uint32_t>(decoder.rate * decoder.bytesPerFrame()), 4);
    appendLittleEndian(wave, static_cast<uint32_t>(decoder.bytesPerFrame()), 2);
    appendLittleEndian(wave, 16, 2);
    wave += "data";
    appendLittleEndian(wave, dataBytes, 4);
    wave.append(reinterpret_cast<const char*>(samples.data()), dataBytes);
    return wave;
}

double soundSeconds(const std::string& recordingPath, int rate, int channels)
{
    const std::string bytes = readFile(recordingPath);
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    size_t first = samples.size();
    size_t last = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (std::fabs(samples[i]) > kSilence) {
            first = first < i ? first : i;
            last = i;
        }
    }
    return first < last ? static_cast<double>((last - first) / channels) / rate : 0.0;
}

std::vector<float> firstChannel(const std::vector<float>& interleaved, int channels)
{
    std::vector<float> samples;
    for (size_t i = 0; i < interleaved.size(); i += static_cast<size_t>(channels)) {
        samples.push_back(interleaved[i]);
    }
    return samples;
}

std::vector<float> withoutGaps(const std::vector<float>& samples)
{
    constexpr size_t kGapFrames = 8;
    std::vector<float> kept;
    size_t zeros = 0;
    for (float sample : samples) {
        if (sample == 0.0f) {
            ++zeros;
            continue;
        }
        if (zeros < kGapFrames && !kept.empty()) {
            kept.insert(kept.end(), zeros, 0.0f);
        }
        zeros = 0;
        kept.push_back(sample);
    }
    return kept;
}

size_t samplesNotHeard(const std::vector<float>& heard, const std::vector<float>& played, size_t limit)
{
    constexpr size_t kRun = 32;
    constexpr size_t kSearch = 4410;
    const auto agree = [&](size_t atHeard, size_t atPlayed) {
        for (size_t i = 0; i < kRun; ++i) {
            if (atHeard + i >= heard.size() || atPlayed + i >= played.size()) {
                return atPlayed + i >= played.size();
            }
            if (heard[atHeard + i] != played[atPlayed + i]) {
                return false;
            }
        }
        return true;
    };
    size_t h = 0;
    size_t p = 0;
    size_t missed = 0;
    while (p < played.size() && h < heard.size() && missed <= limit) {
        if (heard[h] == played[p]) {
            ++h;
            ++p;
            continue;
        }
        size_t skip = 1;
        while (skip <= kSearch && !agree(h, p + skip)) {
            ++skip;
        }
        if (skip <= kSearch) {
            missed += skip;
            p += skip;
        } else {
            ++missed;
            ++h;
        }
    }
    return missed + (played.size() - std::min(p, played.size()));
}

}
