#include "app/Studio.h"
#include "app/StudioOptions.h"

#include <SDL.h>

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
    // A failed start has said why; what it did start is left to the end of the process.
    if (!studio.init(options)) {
        SDL_Quit();
        return 1;
    }
    studio.run();
    studio.shutdown();
    return 0;
}
