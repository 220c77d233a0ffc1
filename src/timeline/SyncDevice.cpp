#include "timeline/SyncDevice.h"

#include "timeline/Soundtrack.h"

#include <climits>
#include <cmath>

namespace {

constexpr const char* kTrackDirectory = "res/sync/";
constexpr float kSecondsPerMinute = 60.0f;
constexpr float kRowsPerBeat = 16.0f;

}

double rowsPerSecond(double bpm)
{
    return (bpm / static_cast<double>(kSecondsPerMinute)) * static_cast<double>(kRowsPerBeat);
}

float rowFromSeconds(float seconds, float bpm)
{
    float rowsPerSecond = (bpm / kSecondsPerMinute) * kRowsPerBeat;
    return seconds * rowsPerSecond;
}

bool SyncDevice::init(Soundtrack* newSoundtrack)
{
    store = createTrackStore(kTrackDirectory);
    soundtrack = newSoundtrack;
    return store != nullptr && soundtrack != nullptr;
}

void SyncDevice::update()
{
    if (soundtrack == nullptr) {
        row = 0.0f;
        return;
    }
    row = rowFromSeconds(soundtrack->position(), soundtrack->bpm);
}

float SyncDevice::getFloat(const char* trackName)
{
    const Track* track = getTrack(store, trackName);
    if (track == nullptr) {
        return 0.0f;
    }
    return static_cast<float>(trackValue(track, static_cast<double>(row)));
}

int SyncDevice::getInt(const char* trackName)
{
    // A damaged file can hold NaN or values beyond the integer range; they read as 0 or
    // the nearest end instead of an undefined conversion.
    float value = std::floor(getFloat(trackName));
    if (std::isnan(value)) {
        return 0;
    }
    if (value <= static_cast<float>(INT_MIN)) {
        return INT_MIN;
    }
    if (value >= static_cast<float>(INT_MAX)) {
        return INT_MAX;
    }
    return static_cast<int>(value);
}

bool SyncDevice::getBool(const char* trackName)
{
    return getFloat(trackName) > 0.0f;
}

void SyncDevice::shutdown()
{
    destroyTrackStore(store);
    store = nullptr;
}
