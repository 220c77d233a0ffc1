#include "audio/Mp3Decoder.h"

#include "audio/AudioBackend.h"

#include <mpg123.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

// Two hours at 320 kbit/s; anything larger is not a piece of music for the demo.
constexpr long kMaxFileBytes = 512L * 1024 * 1024;
constexpr long kSampleRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
constexpr int kMpegLayer3 = 3;
// What a layer III decoder adds before the first sample, besides the encoder's delay.
constexpr long kDecoderDelayFrames = 529;

}

Mp3Decoder::~Mp3Decoder()
{
    close();
}

int Mp3Decoder::open(const char* path)
{
    close();
    int result = readFile(path);
    if (result == kAudioOk) {
        result = startDecoder();
    }
    if (result == kAudioOk) {
        result = scanLength();
    }
    if (result != kAudioOk) {
        close();
    }
    return result;
}

int Mp3Decoder::readFile(const char* path)
{
    if (path == nullptr) {
        return kAudioErrorParam;
    }
    // A folder opens like a file here but has no size to read.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return kAudioErrorFileOpen;
    }
    FILE* in = std::fopen(path, "rb");
    if (in == nullptr) {
        return kAudioErrorFileOpen;
    }
    long size = -1;
    if (std::fseek(in, 0, SEEK_END) == 0) {
        size = std::ftell(in);
    }
    int result = kAudioOk;
    if (size < 0 || std::fseek(in, 0, SEEK_SET) != 0) {
        result = kAudioErrorFileOpen;
    } else if (size == 0) {
        result = kAudioErrorFileFormat;
    } else if (size > kMaxFileBytes) {
        result = kAudioErrorMemory;
    } else {
        file.resize(static_cast<size_t>(size));
        if (std::fread(file.data(), 1, file.size(), in) != file.size()) {
            result = kAudioErrorFileOpen;
        }
    }
    std::fclose(in);
    return result;
}

int Mp3Decoder::startDecoder()
{
    handle = mpg123_new(nullptr, nullptr);
    if (handle == nullptr) {
        return kAudioErrorDecoder;
    }
    // Gapless trims the encoder delay and padding; without Frankenstein streams the
    // format cannot change halfway, so one byte offset means one instant throughout.
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET | MPG123_NO_FRANKENSTEIN, 0.0);
    mpg123_format_none(handle);
    for (long sampleRate : kSampleRates) {
        mpg123_format(handle, sampleRate, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    }
    if (mpg123_replace_reader_handle(handle, readCallback, seekCallback, nullptr) != MPG123_OK ||
        mpg123_open_handle(handle, this) != MPG123_OK) {
        return kAudioErrorDecoder;
    }
    long sampleRate = 0;
    int encoding = 0;
    if (mpg123_getformat(handle, &sampleRate, &channels, &encoding) != MPG123_OK) {
        return kAudioErrorFileFormat;
    }
    mpg123_frameinfo info;
    if (mpg123_info(handle, &info) != MPG123_OK || info.layer != kMpegLayer3) {
        return kAudioErrorFileFormat;
    }
    rate = static_cast<int>(sampleRate);
    // Whatever frames follow are decoded to this one format.
    mpg123_format_none(handle);
    mpg123_format(handle, sampleRate, channels, MPG123_ENC_SIGNED_16);
    return kAudioOk;
}

int Mp3Decoder::scanLength()
{
    // A LAME tag gives the encoder delay and the frame count the encoder wrote. A
    // file cut short still plays the frames it holds, like a half-downloaded song,
    // but the decoder then gives up gapless decoding: its start is trimmed here.
    long encoderDelay = -1;
    double unused = 0.0;
    mpg123_getstate(handle, MPG123_ENC_DELAY, &encoderDelay, &unused);
    off_t announcedFrames = mpg123_framelength(handle);
    if (mpg123_scan(handle) != MPG123_OK) {
        return kAudioErrorFileFormat;
    }
    off_t scannedFrames = mpg123_framelength(handle);
    off_t length = mpg123_length(handle);
    if (encoderDelay >= 0 && scannedFrames < announcedFrames) {
        skipFrames = encoderDelay + kDecoderDelayFrames;
    }
    if (scannedFrames <= 0 || length <= skipFrames) {
        return kAudioErrorFileFormat;
    }
    lengthFrames = static_cast<int64_t>(length) - skipFrames;
    return skipFrames == 0 || seek(0) ? kAudioOk : kAudioErrorDecoder;
}

int Mp3Decoder::read(int16_t* out, int maxFrames)
{
    if (handle == nullptr || maxFrames <= 0) {
        return 0;
    }
    unsigned char* bytes = reinterpret_cast<unsigned char*>(out);
    const size_t wanted = static_cast<size_t>(maxFrames) * static_cast<size_t>(bytesPerFrame());
    size_t filled = 0;
    while (filled < wanted && !finished) {
        size_t done = 0;
        int result = mpg123_read(handle, bytes + filled, wanted - filled, &done);
        filled += done;
        // A broken frame ends the stream rather than playing garbage or looping.
        if (result != MPG123_OK && result != MPG123_NEW_FORMAT) {
            finished = true;
        }
    }
    return static_cast<int>(filled / static_cast<size_t>(bytesPerFrame()));
}

bool Mp3Decoder::seek(int64_t frame)
{
    if (handle == nullptr || frame < 0 || frame > lengthFrames) {
        return false;
    }
    if (mpg123_seek(handle, static_cast<off_t>(frame + skipFrames), SEEK_SET) < 0) {
        return false;
    }
    finished = false;
    return true;
}

void Mp3Decoder::close()
{
    if (handle != nullptr) {
        mpg123_close(handle);
        mpg123_delete(handle);
        handle = nullptr;
    }
    file.clear();
    file.shrink_to_fit();
    fileOffset = 0;
    finished = false;
    rate = 0;
    channels = 0;
    lengthFrames = 0;
    skipFrames = 0;
}

ssize_t Mp3Decoder::readCallback(void* self, void* buffer, size_t bytes)
{
    Mp3Decoder* decoder = static_cast<Mp3Decoder*>(self);
    size_t left = decoder->file.size() - decoder->fileOffset;
    size_t count = bytes < left ? bytes : left;
    std::memcpy(buffer, decoder->file.data() + decoder->fileOffset, count);
    decoder->fileOffset += count;
    return static_cast<ssize_t>(count);
}

off_t Mp3Decoder::seekCallback(void* self, off_t offset, int whence)
{
    Mp3Decoder* decoder = static_cast<Mp3Decoder*>(self);
    off_t base = 0;
    if (whence == SEEK_CUR) {
        base = static_cast<off_t>(decoder->fileOffset);
    } else if (whence == SEEK_END) {
        base = static_cast<off_t>(decoder->file.size());
    } else if (whence != SEEK_SET) {
        return -1;
    }
    off_t target = base + offset;
    if (target < 0 || target > static_cast<off_t>(decoder->file.size())) {
        return -1;
    }
    decoder->fileOffset = static_cast<size_t>(target);
    return target;
}
