#include "Echo.h"

#include "Filters.h"

#include <vector>

namespace musicgen {

namespace {

constexpr double kEchoLowCutHz = 300.0;
constexpr double kEchoDampHz = 3200.0;

}

void applyEcho(const StereoBuffer& send, int64_t delayFrames, double feedback, double toRoom, StereoBuffer& out,
               StereoBuffer& room)
{
    std::vector<double> left(static_cast<size_t>(delayFrames), 0.0);
    std::vector<double> right(static_cast<size_t>(delayFrames), 0.0);
    OnePole lowCut, damp;
    lowCut.setup(kEchoLowCutHz);
    damp.setup(kEchoDampHz);
    size_t at = 0;
    for (int64_t frame = 0; frame < send.frames(); ++frame) {
        size_t f = static_cast<size_t>(frame);
        double input = lowCut.highpass(0.5 * (send.left[f] + send.right[f]));
        double fromLeft = left[at];
        double fromRight = right[at];
        left[at] = input + feedback * damp.lowpass(fromRight);
        right[at] = fromLeft;
        out.add(frame, fromLeft, fromRight);
        room.add(frame, toRoom * fromLeft, toRoom * fromRight);
        at = at + 1 == left.size() ? 0 : at + 1;
    }
}

}
