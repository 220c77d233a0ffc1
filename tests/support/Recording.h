#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// What a capture of the sink's monitor recorded, 32-bit float stereo at 44.1 kHz,
// and when each piece arrived on SDL's high-resolution counter, the clock that
// the music's own position is read against. Pieces come from the capture's own
// thread; the rest is read from any.
namespace testing_support {

class Recording {
public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;

    // `count` samples (frames times channels) that arrived at `seconds`.
    void add(const float* samples, size_t count, double seconds);

    // Copies of what arrived so far.
    std::vector<float> samples();
    int64_t frames();
    // When frame `frame` arrived, in seconds of SDL's counter: the earliest
    // arrival that the pieces of the next quarter second allow, at the nominal
    // rate, so the capture thread's wake-up delays drop out.
    double frameSeconds(int64_t frame);
    // Whether frame `frame` came in a burst: with more frames around it than the
    // time they took to arrive allows. A PulseAudio null sink that was stopped
    // renders what it missed at once when it resumes.
    bool cameInBurst(int64_t frame);
    // How long the capture waited for the piece that brought frame `frame`, and
    // when the wait began; 0 for a frame of the first piece or not yet arrived.
    double waitFor(int64_t frame, double* since);
    // Whether any piece arrived between two instants.
    bool arrivedBetween(double from, double to);
    // The longest wait between two pieces, and when it ended, in counter seconds.
    double longestGap(double* endedAt);
    // One line per piece that arrived between two instants: when, and how many
    // frames it brought.
    std::string describePieces(double from, double to);

private:
    std::mutex mutex;
    std::vector<float> recorded;
    // Per piece: the counter's seconds at its arrival, and the frame count after it.
    std::vector<double> arrivals;
    std::vector<int64_t> ends;
};

double counterSeconds();

}
