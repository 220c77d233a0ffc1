#pragma once

#include <cstdint>
#include <vector>

// What the loopback benchmark measures a phase of playback by: the clicks of the
// known signal as the music's clock passed them and as they were heard.
namespace bench_support {

// The signal as decoded: its first channel, and the music seconds of each click.
struct ClickTrack {
    std::vector<float> firstChannel;
    std::vector<double> times;
};

// Makes `path` once per machine with sox and lame: every `spacing` seconds a
// 4 ms tone of 2 kHz, `clicks` of them, stereo at 44.1 kHz. The default: every
// half second, 85 s in all.
bool makeClicks(const char* path, double spacing = 0.5, int clicks = 170);
// The clicks are found as in the recording (findOnsets); empty if the file does
// not decode at 44.1 kHz.
ClickTrack decodeClicks(const char* path, float threshold, int quietFrames);

// First frames whose first channel rises above `threshold` after at least
// `quietFrames` frames below it.
std::vector<int64_t> findOnsets(const std::vector<float>& samples, int channels, float threshold, int quietFrames);

// The onsets of whole clicks: a stall that falls within a click's 4 ms splits it
// in two short bursts, which count as one click, heard from its first.
std::vector<int64_t> findClicks(const std::vector<float>& samples, int channels, float threshold, int quietFrames);

// The clock read while playing: counter seconds and music seconds.
struct ClockPoll {
    double time = 0.0;
    double music = 0.0;
};

// When the polled clock first reached `music` (interpolated between polls);
// negative when it never did.
double clockReached(const std::vector<ClockPoll>& polls, double music);

// The value in `sorted` nearest to `time` within `window`; NaN when none is.
double nearest(const std::vector<double>& sorted, double time, double window);

struct Offsets {
    double mean = 0.0;
    double worst = 0.0;  // the largest in size, with its sign
    int count = 0;
};

// Clock minus heard, for every click whose music time lies in (from, to) and
// that the clock passed: positive when the picture follows the sound.
Offsets clickOffsets(const std::vector<ClockPoll>& polls, const std::vector<double>& clickMusic,
                     const std::vector<double>& heard, double from, double to);

// Where the sound recorded from `heardFrame` on starts in the decoded signal,
// against `decodedFrame`, in frames: 0 when the sample at decodedFrame (a seek's
// target) was the first one heard. Compares the first channels around both.
int seekSampleError(const std::vector<float>& recorded, int channels, int64_t heardFrame,
                    const std::vector<float>& decoded, int64_t decodedFrame);

// The slope of music seconds over counter seconds.
double clockPace(const std::vector<ClockPoll>& polls);

}
