#pragma once

#include <cstddef>
#include <string>

// Whole-file reads and writes for the authoring tools, which take files an author
// names and so must meet folders, devices, huge files and full disks without a crash.

// Reads the whole file into bytes. False with a short reason in problem ("is a folder",
// "No such file or directory", "is 104857600 bytes long; at most 16777216 are read")
// when it is no regular file, cannot be read to its end, or holds more than maxBytes.
bool readFileBytes(const std::string& path, size_t maxBytes, std::string& bytes, std::string& problem);

// Replaces the file at path with bytes so that a crash or a power cut leaves either the
// old file or the new one: a uniquely named temporary file in the same folder is written,
// flushed to the disk, renamed over path, and the folder is flushed. A new file gets the
// old file's mode, or the usual mode for a new file. On failure the temporary file is
// removed, the old file is untouched, and problem says why.
bool replaceFile(const std::string& path, const std::string& bytes, std::string& problem);
