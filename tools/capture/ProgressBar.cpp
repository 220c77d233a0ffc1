#include "ProgressBar.h"

#include <cstdio>

namespace {
constexpr int kBarWidth = 30;
constexpr std::chrono::milliseconds kRedrawInterval(200);
}

void ProgressBar::start(int total)
{
    totalFrames = total;
    startTime = std::chrono::steady_clock::now();
    lastShown = startTime - kRedrawInterval;
}

void ProgressBar::update(int done)
{
    auto now = std::chrono::steady_clock::now();
    if (done < totalFrames && now - lastShown < kRedrawInterval) {
        return;
    }
    lastShown = now;
    double elapsed = std::chrono::duration<double>(now - startTime).count();
    double rate = elapsed > 0.0 ? done / elapsed : 0.0;
    double left = rate > 0.0 ? (totalFrames - done) / rate : 0.0;
    int filled = totalFrames > 0 ? done * kBarWidth / totalFrames : kBarWidth;
    char bar[kBarWidth + 1];
    for (int i = 0; i < kBarWidth; ++i) {
        bar[i] = i < filled ? '#' : '.';
    }
    bar[kBarWidth] = '\0';
    std::fprintf(stderr, "\r[%s] %d/%d frames  %.1f fps  %d:%02d left ", bar, done, totalFrames, rate,
                 static_cast<int>(left) / 60, static_cast<int>(left) % 60);
    std::fflush(stderr);
}

void ProgressBar::finish()
{
    std::fputc('\n', stderr);
}
