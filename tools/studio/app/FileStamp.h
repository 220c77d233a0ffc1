#pragma once

#include <cstdint>
#include <string>

// What a poll sees of a file: its modification time and size. A missing file
// has a stamp of its own, so its return counts as a change.
struct FileStamp {
    int64_t modifiedNs = -1;
    int64_t size = -1;

    bool operator==(const FileStamp& other) const { return modifiedNs == other.modifiedNs && size == other.size; }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

FileStamp stampFile(const std::string& path);

// Tells when a watched file has been saved. A change is reported once the file
// has stood still for one poll, so an editor's save that arrives in pieces is
// read whole, after its last piece.
class FileWatch {
public:
    void watch(const std::string& path);
    // True once for each settled change.
    bool poll();

    std::string path;

private:
    FileStamp applied;
    FileStamp lastSeen;
};
