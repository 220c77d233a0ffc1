#include "app/ShaderReloader.h"

#include "scene/FlakeObject.h"
#include "scene/GridObject.h"
#include "scene/NeedleObject.h"
#include "scene/RingObject.h"
#include "scene/WireframeCubeObject.h"

#include <SDL.h>

#include <string>

namespace {

constexpr uint64_t kPollIntervalMs = 200;

// The program each kind of object draws with; flakes and needles share one each.
Shader* objectShader(SceneObject* object)
{
    switch (object->getType()) {
    case Grid:
        return &static_cast<GridObject*>(object)->shader;
    case Ring:
        return &static_cast<RingObject*>(object)->shader;
    case WireframeCube:
        return &static_cast<WireframeCubeObject*>(object)->shader;
    default:
        return nullptr;
    }
}

bool readsFile(const Shader& shader, const std::string& path)
{
    for (const char* source : {shader.vertexPath, shader.fragmentPath, shader.geometryPath}) {
        if (source != nullptr && path == source) {
            return true;
        }
    }
    return false;
}

std::string describe(const Shader& shader)
{
    std::string text = shader.vertexPath != nullptr ? shader.vertexPath : "?";
    text += " + ";
    text += shader.fragmentPath != nullptr ? shader.fragmentPath : "?";
    return text;
}

}

void ShaderReloader::init(Scene& scene)
{
    PostProcessor& post = scene.postProcessor;
    shaders = {&post.highPassShader, &post.blurShader, &post.mixShader, &post.copyShader, &post.resolveShader,
               &post.resolveDepthShader, &FlakeObject::sharedShader, &NeedleObject::sharedShader};
    for (SceneObject* object : scene.objects) {
        if (Shader* shader = objectShader(object)) {
            shaders.push_back(shader);
        }
    }
    for (Shader* shader : shaders) {
        for (const char* path : {shader->vertexPath, shader->fragmentPath, shader->geometryPath}) {
            watchFile(path);
        }
    }
}

void ShaderReloader::watchFile(const char* path)
{
    if (path == nullptr) {
        return;
    }
    for (const FileWatch& file : files) {
        if (file.path == path) {
            return;
        }
    }
    files.emplace_back();
    files.back().watch(path);
}

void ShaderReloader::poll(StudioLog& log)
{
    uint64_t now = SDL_GetTicks64();
    if (now - lastPollMs < kPollIntervalMs) {
        return;
    }
    lastPollMs = now;
    for (FileWatch& file : files) {
        if (file.poll()) {
            rebuild(file.path, log);
        }
    }
}

bool ShaderReloader::rebuild(const std::string& path, StudioLog& log)
{
    bool allBuilt = true;
    for (Shader* shader : shaders) {
        if (!readsFile(*shader, path)) {
            continue;
        }
        Shader fresh;
        if (fresh.load(shader->vertexPath, shader->fragmentPath, shader->geometryPath)) {
            shader->release();
            *shader = fresh;
            log.info("shader: rebuilt " + describe(*shader));
        } else {
            log.error("shader: " + path + " does not build; " + describe(*shader) + " keeps its previous program");
            allBuilt = false;
        }
    }
    return allBuilt;
}
