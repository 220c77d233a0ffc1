#include "WavFile.h"

#include "Dsp.h"
#include "Oscillators.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

namespace musicgen {

namespace {

constexpr uint32_t kDitherSeed = 0x5EED1u;
constexpr double kFullScale = 32767.0;
constexpr size_t kRiffHeaderBytes = 12;
constexpr size_t kChunkHeaderBytes = 8;
constexpr size_t kFormatBytes = 16;

void putU16(std::vector<unsigned char>& out, uint32_t v)
{
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}

void putU32(std::vector<unsigned char>& out, uint32_t v)
{
    putU16(out, v & 0xFFFF);
    putU16(out, v >> 16);
}

void putTag(std::vector<unsigned char>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

uint32_t getU16(const unsigned char* p) { return static_cast<uint32_t>(p[0] | (p[1] << 8)); }
uint32_t getU32(const unsigned char* p) { return getU16(p) | (getU16(p + 2) << 16); }

int16_t toPcm(float value)
{
    double scaled = std::round(static_cast<double>(value) * kFullScale);
    return static_cast<int16_t>(std::fmax(-32768.0, std::fmin(32767.0, scaled)));
}

struct Format {
    uint32_t channels = 0;
    uint32_t rate = 0;
    uint32_t bits = 0;
    uint32_t tag = 0;
};

bool readSamples(const unsigned char* data, size_t bytes, const Format& format, StereoBuffer& audio)
{
    size_t frameBytes = 2 * format.channels;
    audio.resize(static_cast<int64_t>(bytes / frameBytes));
    for (size_t i = 0; i < static_cast<size_t>(audio.frames()); ++i) {
        const unsigned char* frame = data + i * frameBytes;
        int16_t l = static_cast<int16_t>(getU16(frame));
        int16_t r = format.channels == 2 ? static_cast<int16_t>(getU16(frame + 2)) : l;
        audio.left[i] = static_cast<float>(l / kFullScale);
        audio.right[i] = static_cast<float>(r / kFullScale);
    }
    return true;
}

}

void quantizeTo16Bits(StereoBuffer& mix)
{
    Rng rng(kDitherSeed);
    for (size_t i = 0; i < static_cast<size_t>(mix.frames()); ++i) {
        float* sides[2] = {&mix.left[i], &mix.right[i]};
        for (float* s : sides) {
            double dither = (rng.unit() - rng.unit()) / kFullScale;
            *s = static_cast<float>(toPcm(static_cast<float>(*s + dither)) / kFullScale);
        }
    }
}

bool writeWav(const std::string& path, const StereoBuffer& mix)
{
    uint32_t dataBytes = static_cast<uint32_t>(mix.frames() * 4);
    std::vector<unsigned char> bytes;
    bytes.reserve(44 + dataBytes);
    putTag(bytes, "RIFF");
    putU32(bytes, 36 + dataBytes);
    putTag(bytes, "WAVE");
    putTag(bytes, "fmt ");
    putU32(bytes, kFormatBytes);
    putU16(bytes, 1); // integer PCM
    putU16(bytes, 2);
    putU32(bytes, kSampleRate);
    putU32(bytes, kSampleRate * 4);
    putU16(bytes, 4);
    putU16(bytes, 16);
    putTag(bytes, "data");
    putU32(bytes, dataBytes);
    for (size_t i = 0; i < static_cast<size_t>(mix.frames()); ++i) {
        putU16(bytes, static_cast<uint16_t>(toPcm(mix.left[i])));
        putU16(bytes, static_cast<uint16_t>(toPcm(mix.right[i])));
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "musicgen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

namespace {

// Plain stdio, which reports a folder or a failed read instead of throwing from a stream buffer.
bool readAll(const std::string& path, std::vector<unsigned char>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    unsigned char chunk[65536];
    size_t count = 0;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + count);
    }
    bool read = std::ferror(file) == 0;
    std::fclose(file);
    return read;
}

}

bool readWav(const std::string& path, StereoBuffer& audio)
{
    std::vector<unsigned char> bytes;
    if (!readAll(path, bytes)) {
        std::fprintf(stderr, "musicgen: cannot read %s\n", path.c_str());
        return false;
    }
    if (bytes.size() < kRiffHeaderBytes || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        std::fprintf(stderr, "musicgen: %s is not a WAV file\n", path.c_str());
        return false;
    }
    Format format;
    for (size_t at = kRiffHeaderBytes; at + kChunkHeaderBytes <= bytes.size();) {
        const unsigned char* chunk = bytes.data() + at;
        size_t size = getU32(chunk + 4);
        size_t body = at + kChunkHeaderBytes;
        if (size > bytes.size() - body) {
            break; // a chunk that claims more than the file holds ends the walk
        }
        if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= kFormatBytes) {
            format = {getU16(chunk + 10), getU32(chunk + 12), getU16(chunk + 22), getU16(chunk + 8)};
        } else if (std::memcmp(chunk, "data", 4) == 0 && format.tag == 1 && format.bits == 16 &&
                   format.rate == kSampleRate && (format.channels == 1 || format.channels == 2)) {
            return readSamples(bytes.data() + body, size, format, audio);
        }
        at = body + size + (size & 1);
    }
    std::fprintf(stderr, "musicgen: %s holds no 16-bit PCM at %d Hz\n", path.c_str(), kSampleRate);
    return false;
}

}
