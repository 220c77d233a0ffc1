#pragma once

#include <cstdint>

// Reads a whole file into a new buffer of exactly its length (no terminator),
// allocated with new[]; the caller frees it with delete[]. Null when the file
// cannot be opened or its length cannot be found; outLength is then untouched.
unsigned char* readWholeFile(const char* path, int32_t* outLength);
