#pragma once

#include <cstdint>
#include <string>

// Music files in the shapes the bad-input runs need, made from a real MP3.
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

}
