#include "scene/ObjectList.h"

#include "scene/FlakeObject.h"
#include "scene/GridObject.h"
#include "scene/NeedleObject.h"
#include "scene/RingObject.h"
#include "scene/Scene.h"
#include "scene/WireframeCubeObject.h"

namespace {

constexpr unsigned kGridCells = 64;
constexpr float kGridSpacing = 8.0f;
constexpr float kRing1Radius = 10.0f;
constexpr float kRing1StepDegrees = 1.0f;
constexpr float kRing2Radius = 25.0f;
constexpr float kRing2StepDegrees = 2.0f;
constexpr int kSwarmPairs = 512;

}

// Each object is initialised as it is added, so this order is also the order
// of the random draws and of drawing.
void addDemoObjects(Scene& scene)
{
    scene.addObject(new GridObject(kGridCells, kGridSpacing));
    scene.addObject(new RingObject(kRing1Radius, kRing1StepDegrees));
    scene.addObject(new RingObject(kRing2Radius, kRing2StepDegrees));
    scene.addObject(new WireframeCubeObject());
    for (int pair = 0; pair < kSwarmPairs; ++pair) {
        scene.addObject(new NeedleObject());
        scene.addObject(new FlakeObject());
    }
}
