#pragma once

#include "app/FileStamp.h"
#include "app/StudioLog.h"

#include "render/Shader.h"
#include "scene/Scene.h"

#include <cstdint>
#include <vector>

// Rebuilds the scene's and the post processor's programs when one of their
// source files is saved. A new Shader is built beside the old one and takes
// its place only when it compiles and links; otherwise the old program stays
// and the driver's log is shown.
class ShaderReloader {
public:
    void init(Scene& scene);
    // Looks at the files every 200 ms.
    void poll(StudioLog& log);
    // Rebuilds every program that reads the file; false when one of them failed.
    bool rebuild(const std::string& path, StudioLog& log);

    std::vector<Shader*> shaders;

private:
    void watchFile(const char* path);

    std::vector<FileWatch> files;
    uint64_t lastPollMs = 0;
};
