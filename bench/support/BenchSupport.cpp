#include "BenchSupport.h"

#include <cstdlib>
#include <ctime>

namespace bench_support {

std::string sourceRoot()
{
    return MORLENTH_SOURCE_DIR;
}

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void setConstantTrack(TrackStore* store, const char* name, float value)
{
    Track* track = getTrack(store, name);
    std::free(track->keys);
    track->keys = static_cast<TrackKey*>(std::malloc(sizeof(TrackKey)));
    track->keys[0] = TrackKey{0, value, Step};
    track->keyCount = 1;
}

}
