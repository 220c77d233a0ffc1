#include "Reverb.h"

#include "Dsp.h"
#include "Filters.h"

#include <vector>

namespace musicgen {

namespace {

// Mutually prime-ish lengths in frames keep the combs' echoes from lining up into a buzz.
constexpr int kCombFrames[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int kAllpassFrames[4] = {556, 441, 341, 225};
constexpr int kRightSpread = 23;
constexpr double kFeedback = 0.88;
constexpr double kDamping = 0.35;
constexpr double kAllpassGain = 0.5;
constexpr double kInputGain = 0.03;
constexpr double kPreDelaySeconds = 0.02;
constexpr double kLowCutHz = 250.0;

class Comb {
public:
    explicit Comb(int frames) : line(static_cast<size_t>(frames), 0.0) {}
    double process(double x)
    {
        double y = line[at];
        store = y * (1.0 - kDamping) + store * kDamping;
        line[at] = x + store * kFeedback;
        at = at + 1 == line.size() ? 0 : at + 1;
        return y;
    }

private:
    std::vector<double> line;
    size_t at = 0;
    double store = 0.0;
};

class Allpass {
public:
    explicit Allpass(int frames) : line(static_cast<size_t>(frames), 0.0) {}
    double process(double x)
    {
        double delayed = line[at];
        line[at] = x + delayed * kAllpassGain;
        at = at + 1 == line.size() ? 0 : at + 1;
        return delayed - x;
    }

private:
    std::vector<double> line;
    size_t at = 0;
};

struct Side {
    std::vector<Comb> combs;
    std::vector<Allpass> allpasses;
    explicit Side(int spread)
    {
        for (int frames : kCombFrames) {
            combs.emplace_back(frames + spread);
        }
        for (int frames : kAllpassFrames) {
            allpasses.emplace_back(frames + spread);
        }
    }
    double process(double x)
    {
        double sum = 0.0;
        for (Comb& comb : combs) {
            sum += comb.process(x);
        }
        for (Allpass& allpass : allpasses) {
            sum = allpass.process(sum);
        }
        return sum;
    }
};

}

void applyReverb(const StereoBuffer& send, double wet, StereoBuffer& out)
{
    Side left(0), right(kRightSpread);
    OnePole lowCut;
    lowCut.setup(kLowCutHz);
    int64_t preDelay = secondsToFrames(kPreDelaySeconds);
    for (int64_t frame = 0; frame < send.frames(); ++frame) {
        size_t f = static_cast<size_t>(frame);
        double input = kInputGain * lowCut.highpass(send.left[f] + send.right[f]);
        out.add(frame + preDelay, wet * left.process(input), wet * right.process(input));
    }
}

}
