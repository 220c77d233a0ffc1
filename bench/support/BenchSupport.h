#pragma once

#include "timeline/TrackStore.h"

#include <string>

// Helpers the benchmark programs share.
namespace bench_support {

// The repository root: shaders, textures, music and tracks are found relative to it.
std::string sourceRoot();

// The calling thread's own CPU time in seconds; time spent blocked is not in it.
double threadCpuSeconds();

// Replaces a track's keys in memory with one constant key, whatever its file held.
void setConstantTrack(TrackStore* store, const char* name, float value);

}
