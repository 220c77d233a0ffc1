#include "CaptureOptions.h"
#include "FrameWriter.h"
#include "OfflineDemo.h"
#include "ProgressBar.h"

#include <cmath>
#include <cstdio>

// Renders the demo offline at a fixed frame rate, frame by frame, through the
// same library code as the program: identical inputs give identical frames.
int main(int argc, char** argv)
{
    CaptureOptions options;
    if (!parseCaptureOptions(argc, argv, options)) {
        return 2;
    }
    double first = options.still >= 0.0 ? options.still : options.start;
    double end = options.end;
    if (options.still < 0.0 && end < 0.0) {
        end = musicDuration(options.music.c_str());
        if (end < 0.0) {
            std::fprintf(stderr, "capture: cannot read the length of %s; give --end\n", options.music.c_str());
            return 1;
        }
    }
    int frameCount = options.still >= 0.0 ? 1 : static_cast<int>(std::ceil((end - first) * options.fps - 1e-9));
    if (frameCount <= 0) {
        std::fprintf(stderr, "capture: the time range holds no frame\n");
        return 2;
    }

    OfflineDemo demo;
    FrameWriter writer;
    if (!demo.init(options) || !writer.open(options)) {
        return 1;
    }
    ProgressBar progress;
    progress.start(frameCount);
    bool ok = true;
    for (int i = 0; i < frameCount && ok; ++i) {
        demo.renderFrame(first + static_cast<double>(i) / options.fps);
        ok = writer.write(demo.readFrame(), i);
        progress.update(i + 1);
    }
    progress.finish();
    ok = writer.close() && ok;
    demo.shutdown();
    if (!ok) {
        std::fprintf(stderr, "capture: writing %s failed\n", options.out.c_str());
        return 1;
    }
    std::fprintf(stderr, "capture: %d frames written to %s\n", frameCount, options.out.c_str());
    return 0;
}
