#pragma once

#include "StereoBuffer.h"

#include <string>

namespace musicgen {

// Rounds the mix to 16 bits with triangular dither from a fixed seed, in
// place, so what is measured afterwards is exactly what the file holds.
void quantizeTo16Bits(StereoBuffer& mix);

// 16-bit PCM, stereo, 44.1 kHz. False (with a message) when the file cannot be written.
bool writeWav(const std::string& path, const StereoBuffer& mix);

// Reads 16-bit PCM at 44.1 kHz, mono or stereo (mono fills both sides).
// The file is not trusted: every chunk size is checked against what is there.
bool readWav(const std::string& path, StereoBuffer& audio);

}
