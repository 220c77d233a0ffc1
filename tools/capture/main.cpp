#include "CaptureOptions.h"
#include "FrameWriter.h"
#include "OfflineDemo.h"
#include "ProgressBar.h"

#include <cmath>
#include <cstdio>

namespace {

// Frames at start, start + 1/fps, ... strictly before end; the small allowance keeps
// a range of whole frames from gaining one through rounding.
int countFrames(const CaptureOptions& options, double first, double end)
{
    if (options.still >= 0.0) {
        return 1;
    }
    double frames = std::ceil((end - first) * options.fps - 1e-9);
    return frames > 0.0 ? static_cast<int>(frames) : 0;
}

bool captureFrames(OfflineDemo& demo, FrameWriter& writer, const CaptureOptions& options, double first,
                   int frameCount)
{
    ProgressBar progress;
    progress.start(frameCount);
    bool ok = true;
    for (int i = 0; i < frameCount && ok; ++i) {
        demo.renderFrame(first + static_cast<double>(i) / options.fps);
        ok = writer.write(demo.readFrame(), i);
        progress.update(i + 1);
    }
    progress.finish();
    return writer.close() && ok;
}

}

// Renders the demo offline at a fixed frame rate, frame by frame, through the
// same library code as the program: identical inputs give identical frames.
int main(int argc, char** argv)
{
    CaptureOptions options;
    ParseResult parsed = parseCaptureOptions(argc, argv, options);
    if (parsed != ParseResult::Run) {
        return parsed == ParseResult::Help ? 0 : 2;
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
    int frameCount = countFrames(options, first, end);
    if (frameCount <= 0) {
        std::fprintf(stderr, "capture: the time range holds no frame\n");
        return 2;
    }

    OfflineDemo demo;
    if (!demo.init(options)) {
        return 1;
    }
    FrameWriter writer;
    bool ok = writer.open(options, frameCount) && captureFrames(demo, writer, options, first, frameCount);
    demo.shutdown();
    if (!ok) {
        std::fprintf(stderr, "capture: writing %s failed\n", options.out.c_str());
        return 1;
    }
    std::fprintf(stderr, "capture: %d frame%s written to %s\n", frameCount, frameCount == 1 ? "" : "s", options.out.c_str());
    return 0;
}
