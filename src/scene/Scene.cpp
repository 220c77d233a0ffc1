#include "scene/Scene.h"

#include <GL/glew.h>

bool Scene::init() { return true; }
void Scene::render(float) { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); }
void Scene::addObject(SceneObject* object) { object->init(this); objects.push_back(object); }
void Scene::shutdown()
{
    for (SceneObject* object : objects) {
        delete object;
    }
    objects.clear();
}
