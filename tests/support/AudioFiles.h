#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Music files in the shapes the bad-input runs need, made from a real MP3, and
// recordings of what was played checked against the music.
namespace testing_support {

void appendLittleEndian(std::string& out, uint32_t value, int bytes);

// An MPEG-1 Layer III file without its first frame, where LAME keeps its tag:
// a plain stream that no longer says how long it is. Empty if the file does
// not start with such a frame.
std::string withoutTagFrame(const std::string& mp3);

// The MP3 file decoded to 16-bit PCM in a RIFF WAVE file; empty if it does not decode.
std::string decodedAsWave(const std::string& mp3Path);

// Seconds from the first to the last sound in a recording of SDL's disk driver
// (32-bit float samples, interleaved), 0 if it holds none.
double soundSeconds(const std::string& recordingPath, int rate, int channels);

// The first channel of interleaved samples.
std::vector<float> firstChannel(const std::vector<float>& interleaved, int channels);

// The samples from the first one that is not silent, without any run of silence
// long enough to be a gap: a server that ran dry for a moment played silence
// there, and went on with the next sample.
std::vector<float> withoutGaps(const std::vector<float>& samples);

// How many of the clip's samples (`played`) a recording skipped, or holds
// something else in their place, counting up to about `limit`. The two are walked
// side by side; where they part, the clip is searched ahead for what the
// recording goes on with (a server kept waiting may drop what came too late).
size_t samplesNotHeard(const std::vector<float>& heard, const std::vector<float>& played, size_t limit);

}
