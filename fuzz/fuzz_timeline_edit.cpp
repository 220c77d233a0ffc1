#include "authoring/TimelineDocument.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>

// Any text that compiles, with one edit drawn from the first bytes: the edit must apply,
// the written text must compile again, and its keys must be exactly the ones expected.
namespace {

constexpr size_t kEditBytes = 16;
constexpr int32_t kRowSpan = 1 << 20;
constexpr const char* kNewTrack = "Fuzz.New";

using Keys = std::map<std::string, std::map<int32_t, TrackKey>>;

Keys keysOf(const ParsedTimeline& parsed)
{
    Keys keys;
    for (const SourceTrack& track : parsed.tracks) {
        for (const TrackKey& key : track.keys) {
            keys[track.name][key.row] = key;
        }
        keys[track.name];
    }
    return keys;
}

bool sameKeys(const Keys& a, const Keys& b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (auto track = a.begin(), other = b.begin(); track != a.end(); ++track, ++other) {
        if (track->first != other->first || track->second.size() != other->second.size()) {
            return false;
        }
        for (auto key = track->second.begin(), match = other->second.begin(); key != track->second.end(); ++key, ++match) {
            if (std::memcmp(&key->second, &match->second, sizeof(TrackKey)) != 0) {
                return false;
            }
        }
    }
    return true;
}

// The edit the bytes name, and the keys it should leave.
TimelineEdit drawEdit(const uint8_t* bytes, const ParsedTimeline& parsed, Keys& expected)
{
    TimelineEdit edit;
    size_t trackIndex = bytes[1] % (parsed.tracks.size() + 1);
    edit.track = trackIndex < parsed.tracks.size() ? parsed.tracks[trackIndex].name : kNewTrack;
    std::map<int32_t, TrackKey>& keys = expected[edit.track];
    int32_t drawn = 0;
    std::memcpy(&drawn, bytes + 2, sizeof drawn);
    int32_t newRow = drawn % kRowSpan;
    std::memcpy(&edit.value, bytes + 6, sizeof edit.value);
    edit.interpolation = bytes[10] % 4;
    edit.hasInterpolation = (bytes[11] & 1) != 0;
    edit.hasValue = true;
    if (keys.empty() || bytes[0] % 5 == 4) {
        edit.row = newRow;
        int32_t before = keys.lower_bound(newRow) == keys.begin() ? 1 : std::prev(keys.lower_bound(newRow))->second.interpolation;
        int32_t kept = keys.count(newRow) != 0 ? keys[newRow].interpolation : before;
        keys[newRow] = TrackKey{newRow, edit.value, edit.hasInterpolation ? edit.interpolation : kept};
        return edit;
    }
    auto key = std::next(keys.begin(), static_cast<long>(bytes[12] % keys.size()));
    edit.action = static_cast<EditAction>(bytes[0] % 4);
    edit.row = key->first;
    edit.newRow = newRow;
    edit.hasInterpolation = edit.hasInterpolation || edit.action == EditAction::Kind;
    TrackKey changed = key->second;
    keys.erase(key);
    if (edit.action == EditAction::Set) {
        changed.value = edit.value;
    }
    if (edit.hasInterpolation && edit.action != EditAction::Move && edit.action != EditAction::Delete) {
        changed.interpolation = edit.interpolation;
    }
    if (edit.action == EditAction::Move) {
        changed.row = newRow;
    }
    if (edit.action != EditAction::Delete) {
        keys[changed.row] = changed;
    }
    return edit;
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < kEditBytes) {
        return 0;
    }
    TimelineDocument document;
    if (!document.load(std::string(reinterpret_cast<const char*>(data) + kEditBytes, size - kEditBytes))) {
        return 0;
    }
    std::string original = document.text;
    Keys expected = keysOf(document.parsed);
    TimelineEdit edit = drawEdit(data, document.parsed, expected);
    std::string problem;
    if (!document.apply({edit}, problem) || !document.errors.empty() || !sameKeys(keysOf(document.parsed), expected)) {
        __builtin_trap();
    }
    // Read afresh, as the studio reads what it wrote; and undone, back to the same bytes.
    TimelineDocument written;
    if (!written.load(document.text)) {
        __builtin_trap();
    }
    if (document.text != original && (!document.undo(problem) || document.text != original)) {
        __builtin_trap();
    }
    return 0;
}
