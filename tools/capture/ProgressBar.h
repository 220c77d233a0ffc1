#pragma once

#include <chrono>

// One self-rewriting line on standard error: bar, frames done, rate, time left.
// Redrawn a few times a second, so a log of it stays short.
class ProgressBar {
public:
    void start(int total);
    void update(int done);
    void finish();

private:
    int totalFrames = 0;
    std::chrono::steady_clock::time_point startTime;
    std::chrono::steady_clock::time_point lastShown;
};
