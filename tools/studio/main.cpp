#include "Studio.h"
#include "StudioOptions.h"

// The authoring studio: the demo's picture and music with a transport, live
// reload of the timeline and the shaders, and an overlay of every track.
int main(int argc, char** argv)
{
    StudioOptions options;
    StudioParse parsed = parseStudioOptions(argc, argv, options);
    if (parsed != StudioParse::Run) {
        return parsed == StudioParse::Help ? 0 : 2;
    }
    // Lives for the whole process: the scene's objects reach it through Engine::instance.
    static Studio studio;
    bool started = studio.init(options);
    if (started) {
        studio.run();
    }
    studio.shutdown();
    return started ? 0 : 1;
}
