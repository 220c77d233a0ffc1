#include "TrackFileBytes.h"

#include "authoring/TrackText.h"

#include "authoring/FileAccess.h"
#include "timeline/TrackFileLayout.h"

namespace {

// Millions of keys; a larger file is no track file a tool should print or check.
constexpr size_t kMaxTrackFileBytes = 64u << 20;

std::string completeKeys(size_t count)
{
    return std::to_string(count) + (count == 1 ? " complete key" : " complete keys");
}

std::string keyPrefix(size_t index)
{
    return "key " + std::to_string(index) + ": ";
}

void findSizeProblems(const TrackFileBytes& file, std::vector<std::string>& problems)
{
    if (!file.hasCount) {
        problems.push_back("the file is " + std::to_string(file.size) + " bytes long, too short for the key count");
        return;
    }
    size_t partial = (file.size - kTrackCountBytes) % kTrackKeyBytes;
    if (file.count < 0) {
        problems.push_back("negative key count " + std::to_string(file.count) + "; the file holds " +
                           completeKeys(file.completeKeysInFile));
        return;
    }
    size_t expected = kTrackCountBytes + static_cast<size_t>(file.count) * kTrackKeyBytes;
    if (file.size < expected) {
        std::string text = "count " + std::to_string(file.count) + " does not match the size: " +
                           std::to_string(file.size) + " bytes hold " +
                           completeKeys(file.completeKeysInFile);
        problems.push_back(partial != 0 ? text + " and " + std::to_string(partial) + " bytes of a truncated key"
                                        : text);
    } else if (file.size > expected) {
        problems.push_back(std::to_string(file.size - expected) + " trailing bytes after the " +
                           std::to_string(file.count) + " keys of the count");
    }
}

void findKeyProblems(const TrackFileBytes& file, std::vector<std::string>& problems)
{
    for (size_t i = 0; i < file.keys.size(); ++i) {
        const TrackKey& key = file.keys[i];
        if (interpolationName(key.interpolation) == nullptr) {
            problems.push_back(keyPrefix(i) + "unknown interpolation type " + std::to_string(key.interpolation));
        }
        if (i == 0) {
            continue;
        }
        int32_t previous = file.keys[i - 1].row;
        if (key.row == previous) {
            problems.push_back(keyPrefix(i) + "row " + std::to_string(key.row) + " duplicates the row of key " +
                               std::to_string(i - 1));
        } else if (key.row < previous) {
            problems.push_back(keyPrefix(i) + "row " + std::to_string(key.row) + " is out of order, before row " +
                               std::to_string(previous) + " of key " + std::to_string(i - 1));
        }
    }
}

}

TrackFileBytes decodeTrackFileBytes(const std::string& bytes)
{
    TrackFileBytes file;
    file.size = bytes.size();
    if (bytes.size() < kTrackCountBytes) {
        return file;
    }
    const unsigned char* data = reinterpret_cast<const unsigned char*>(bytes.data());
    file.hasCount = true;
    file.count = decodeTrackInt32(data);
    file.completeKeysInFile = (bytes.size() - kTrackCountBytes) / kTrackKeyBytes;
    size_t keyCount = file.completeKeysInFile;
    if (file.count >= 0 && static_cast<size_t>(file.count) < keyCount) {
        keyCount = static_cast<size_t>(file.count);
    }
    for (size_t i = 0; i < keyCount; ++i) {
        file.keys.push_back(decodeTrackKey(data + kTrackCountBytes + i * kTrackKeyBytes));
    }
    return file;
}

bool readTrackFileBytes(const std::string& path, TrackFileBytes& file, std::string& problem)
{
    std::string bytes;
    if (!readFileBytes(path, kMaxTrackFileBytes, bytes, problem)) {
        return false;
    }
    file = decodeTrackFileBytes(bytes);
    return true;
}

std::vector<std::string> findTrackFileProblems(const TrackFileBytes& file)
{
    std::vector<std::string> problems;
    findSizeProblems(file, problems);
    findKeyProblems(file, problems);
    return problems;
}
