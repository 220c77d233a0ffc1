#pragma once

#include <cstdint>

// Reads a whole file into a new buffer of exactly its length (no terminator),
// allocated with new[]; the caller frees it with delete[]. Null when the file
// cannot be opened, its length cannot be found or exceeds INT32_MAX, or it
// cannot be read to its end; outLength is then untouched. An empty file gives
// a valid buffer of length 0.
unsigned char* readWholeFile(const char* path, int32_t* outLength);
