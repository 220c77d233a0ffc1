#pragma once

#include <cstdint>
#include <vector>

// The music mixed to mono as a pyramid of minima and maxima, so the waveform lane
// asks for any span at any zoom in a few lookups. Level 0 holds each block of 32
// frames; each next level pairs the bins of the one below, up to a single bin.
class Waveform {
public:
    bool build(const int16_t* interleaved, int64_t frames, int channels, int rate);

    // The same in pieces, as a decoder hands them over; expectedFrames only reserves room.
    bool begin(int channels, int rate, int64_t expectedFrames = 0);
    void add(const int16_t* interleaved, int64_t frames);
    bool finish();

    // The lowest and highest sample (-1..1) between two times, from the coarsest level
    // whose bins are no wider than the span, so it may reach up to one such bin past
    // either end. False when the span lies outside the music or nothing is built.
    bool range(double fromSeconds, double toSeconds, float& low, float& high) const;

    double lengthSeconds() const;
    bool empty() const { return levels.empty(); }

private:
    struct Bin {
        float low;
        float high;
    };

    std::vector<std::vector<Bin>> levels;
    int channelCount = 0;
    int sampleRate = 0;
    int64_t frameCount = 0;
    Bin block{0.0f, 0.0f};  // the block being filled
    int blockFill = 0;
};
