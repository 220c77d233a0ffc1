#include "timeline/TrackFileLayout.h"

#include "authoring/FileAccess.h"

#include <cstring>

// Assembled byte by byte so the files read the same on hosts of either byte order.
int32_t decodeTrackInt32(const unsigned char* bytes)
{
    uint32_t bits = static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
                    (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    int32_t value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void encodeTrackInt32(int32_t value, unsigned char* bytes)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
    }
}

TrackKey decodeTrackKey(const unsigned char* bytes)
{
    TrackKey key;
    key.row = decodeTrackInt32(bytes);
    int32_t valueBits = decodeTrackInt32(bytes + 4);
    std::memcpy(&key.value, &valueBits, sizeof key.value);
    key.interpolation = static_cast<int8_t>(bytes[8]);
    return key;
}

void encodeTrackKey(const TrackKey& key, unsigned char* bytes)
{
    encodeTrackInt32(key.row, bytes);
    int32_t valueBits;
    std::memcpy(&valueBits, &key.value, sizeof valueBits);
    encodeTrackInt32(valueBits, bytes + 4);
    bytes[8] = static_cast<unsigned char>(static_cast<int8_t>(key.interpolation));
}
