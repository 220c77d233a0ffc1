#include "timeline/SyncDevice.h"

bool SyncDevice::init(Soundtrack* newSoundtrack)
{
    store = createTrackStore("res/sync/");
    soundtrack = newSoundtrack;
    return store != nullptr && soundtrack != nullptr;
}
void SyncDevice::update() {}
float SyncDevice::getFloat(const char*) { return 0.0f; }
int SyncDevice::getInt(const char*) { return 0; }
bool SyncDevice::getBool(const char*) { return false; }
void SyncDevice::shutdown() { destroyTrackStore(store); }
