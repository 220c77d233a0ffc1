#include "edit/Position.h"
#include "script/Script.h"
#include "app/StudioOptions.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

// Any bytes as what an author types for the studio: the whole input as a script, and
// each line as a position and as the --loop option.
namespace {

const std::vector<SourceMarker> kMarkers = {{"intro", 0, 1}, {"main", 16, 2}, {"outro", 64, 3}};

void checkPosition(const std::string& text)
{
    double row = 0.0;
    std::string error;
    if (parseStudioPosition(text, kMarkers, row, error)) {
        // A position is a whole row from the start on, and reads the same once printed.
        double again = -1.0;
        if (!(row >= 0.0) || row != std::floor(row) || !isPositionForm(text) ||
            !parseStudioPosition(formatClock(row), kMarkers, again, error) || again != row) {
            __builtin_trap();
        }
    } else if (error.empty()) {
        __builtin_trap();
    }
}

void checkLoopOption(const std::string& text)
{
    StudioOptions options;
    std::string copy = text;
    char name[] = "studio";
    char flag[] = "--loop";
    char* argv[] = {name, flag, &copy[0], nullptr};
    if (parseStudioOptions(3, argv, options) == StudioParse::Run &&
        (!isPositionForm(options.loopStart) || !isPositionForm(options.loopEnd))) {
        __builtin_trap();
    }
}

}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // A refused option prints the usage; thousands a second would only slow the run.
    return std::freopen("/dev/null", "w", stdout) != nullptr ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    Script script;
    std::string error;
    if (!script.parse(text, "fuzz", error) && error.empty()) {
        __builtin_trap();
    }
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        checkPosition(line);
        checkLoopOption(line);
    }
    return 0;
}
