#include "engine/Config.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Any bytes as Config.txt: parsing never crashes, and every getter answers.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Config config;
    config.parse(std::string(reinterpret_cast<const char*>(data), size));
    for (const char* key : {"ViewportWidth", "ViewportHeight", "MSAA", "Fullscreen"}) {
        (void)config.getInt(key);
        (void)config.getBool(key);
    }
    for (const auto& entry : config.entries) {
        (void)config.getInt(entry.first);
    }
    return 0;
}
