#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace musicgen {

// Float frames are precise enough for a mix and halve the memory of a whole song.
struct StereoBuffer {
    std::vector<float> left;
    std::vector<float> right;

    void resize(int64_t frames)
    {
        left.assign(static_cast<size_t>(frames), 0.0f);
        right.assign(static_cast<size_t>(frames), 0.0f);
    }
    int64_t frames() const { return static_cast<int64_t>(left.size()); }
    bool contains(int64_t frame) const { return frame >= 0 && frame < frames(); }
    void add(int64_t frame, double l, double r)
    {
        if (contains(frame)) {
            left[static_cast<size_t>(frame)] += static_cast<float>(l);
            right[static_cast<size_t>(frame)] += static_cast<float>(r);
        }
    }
};

}
