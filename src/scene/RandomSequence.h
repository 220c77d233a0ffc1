#pragma once

#include <cstdint>

// The pseudo-random sequence the swarm was authored with: the one glibc's rand()
// gives after srand(seed), computed here so that the same swarm appears on every
// platform. Windows' C library, for one, has a generator of its own.
class RandomSequence {
public:
    void seed(uint32_t value);
    // The next value in [0, 2^31 - 1], as rand() would return it.
    int next();

private:
    // An additive feedback generator: r[i] = r[i - 3] + r[i - 31], over a ring of
    // the last 34 words.
    static constexpr int kLength = 34;
    int32_t words[kLength] = {};
    int position = 0;
};
