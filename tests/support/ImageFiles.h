#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Image files for tests, written with stb_image_write so each test makes the
// exact pixels it then expects back.
namespace testing_support {

// Writes a PNG of width x height pixels with 1 (grey), 2 (grey, alpha), 3 (RGB)
// or 4 (RGBA) bytes a pixel, rows top to bottom. False when it cannot be written.
bool writePng(const std::string& path, int width, int height, int channels, const std::vector<uint8_t>& pixels);

// The same image as bytes in memory.
std::string encodePng(int width, int height, int channels, const std::vector<uint8_t>& pixels);

}
