#pragma once

class Scene;

// Builds the demo's 1,028 objects and adds each to the scene as it is made:
// the grid, two rings, the cube, then 512 needle and flake pairs.
void addDemoObjects(Scene& scene);
