#include "scene/ObjectList.h"

void addDemoObjects(Scene&) {}
