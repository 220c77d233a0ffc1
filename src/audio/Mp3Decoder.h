#pragma once

#include <cstdint>
#include <sys/types.h>
#include <vector>

struct mpg123_handle_struct;

// Decodes one MP3 file to interleaved signed 16-bit samples at the file's own rate
// and channel count. The whole file is read into memory, so decoding never touches
// the disk from the audio thread, and scanned when it opens, so the length and
// every seek are sample-exact (the encoder's delay and padding are trimmed).
class Mp3Decoder {
public:
    Mp3Decoder() = default;
    ~Mp3Decoder();
    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;

    // Returns kAudioOk or the AudioErrorCode saying why the file cannot play.
    int open(const char* path);
    // Decodes up to maxFrames frames into out (room for maxFrames * channels
    // samples); fewer only at the end of the stream or on a broken frame.
    int read(int16_t* out, int maxFrames);
    bool seek(int64_t frame);
    void close();

    int bytesPerFrame() const { return channels * static_cast<int>(sizeof(int16_t)); }

    int rate = 0;
    int channels = 0;
    int64_t lengthFrames = 0;

private:
    int readFile(const char* path);
    int startDecoder();
    int scanLength();
    static ssize_t readCallback(void* self, void* buffer, size_t bytes);
    static off_t seekCallback(void* self, off_t offset, int whence);

    // Frames of encoder and decoder delay at the start that the decoder itself
    // does not trim (only in a file cut short).
    int64_t skipFrames = 0;
    std::vector<unsigned char> file;
    size_t fileOffset = 0;
    mpg123_handle_struct* handle = nullptr;
    bool finished = false;
};
