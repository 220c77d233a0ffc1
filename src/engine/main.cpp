#include "engine/Engine.h"
#include "scene/ObjectList.h"

int main(int, char**)
{
    Engine engine;
    if (engine.init()) {
        addDemoObjects(engine.scene);
        engine.run();
        engine.shutdown();
    }
    return 0;
}
