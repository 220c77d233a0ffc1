#include "app/FileStamp.h"

#include <sys/stat.h>

constexpr int64_t kNanosecondsPerSecond = 1000000000;

FileStamp stampFile(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        return FileStamp{};
    }
    return FileStamp{static_cast<int64_t>(info.st_mtim.tv_sec) * kNanosecondsPerSecond + info.st_mtim.tv_nsec,
                     static_cast<int64_t>(info.st_size)};
}

void FileWatch::watch(const std::string& watchedPath)
{
    path = watchedPath;
    applied = stampFile(path);
    lastSeen = applied;
}

bool FileWatch::poll()
{
    FileStamp now = stampFile(path);
    bool settled = now == lastSeen && now != applied;
    lastSeen = now;
    if (settled) {
        applied = now;
    }
    return settled;
}
