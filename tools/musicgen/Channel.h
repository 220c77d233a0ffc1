#pragma once

#include "Song.h"
#include "StereoBuffer.h"

#include <cstdint>
#include <vector>

namespace musicgen {

// The stretch of the song being rendered; voices address frames relative to its start.
struct Clip {
    int64_t startFrame = 0; // the song frame of the clip's first frame
    int64_t frames = 0;

    int64_t frameOfStep(double step) const { return frameAtStep(step) - startFrame; }
    double barAt(int64_t clipFrame) const { return barAtFrame(startFrame + clipFrame); }
    // How many frames of a voice that starts at clip frame `at` need computing:
    // from its own start (its filters and phases need the lead-in) to the clip's end.
    int64_t framesToRender(int64_t at, int64_t length) const
    {
        if (at + length <= 0 || at >= frames) {
            return 0;
        }
        return at + length > frames ? frames - at : length;
    }
};

// What every instrument writes into; the effects and the master read it.
struct Buses {
    StereoBuffer dry;
    StereoBuffer delaySend;
    StereoBuffer reverbSend;
    std::vector<float> duck; // 0 untouched .. 1 fully ducked, following the kicks
};

// Equal-power pan gains, normalised so the centre leaves the level as it was.
void panGains(double pan, double& left, double& right);

// One instrument's mixer strip: level, pan, effect sends and how far the kick ducks it.
class Channel {
public:
    struct Settings {
        double gainDb;
        double pan;        // -1 left .. 1 right
        double delaySend;  // level into the echo
        double reverbSend; // level into the room
        double duckDepth;  // 0 .. 1
    };
    Channel(Buses& buses, const Settings& settings);
    void write(int64_t frame, double left, double right) const;
    void writeMono(int64_t frame, double x) const { write(frame, x, x); }

private:
    Buses& buses;
    Settings settings;
    double leftGain = 1.0;
    double rightGain = 1.0;
};

}
