#include "ServerCapture.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

extern char** environ;

namespace bench_support {

using testing_support::counterSeconds;
using testing_support::Recording;

bool ServerCapture::open(const std::string& source, int latencyMs)
{
    int ends[2];
    if (::pipe(ends) != 0) {
        error = std::strerror(errno);
        return false;
    }
    // A second of sound, so that a stopped reader (this process stopped) loses nothing.
    constexpr int kPipeBytes = Recording::kRate * Recording::kChannels * static_cast<int>(sizeof(float));
    fcntl(ends[0], F_SETPIPE_SZ, kPipeBytes);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, ends[0]);
    const std::string rate = "--rate=" + std::to_string(Recording::kRate);
    const std::string channels = "--channels=" + std::to_string(Recording::kChannels);
    const std::string latency = "--latency-msec=" + std::to_string(latencyMs);
    const std::string device = "--device=" + source;
    std::vector<char*> argv{const_cast<char*>("parec"), const_cast<char*>("--raw"),
                            const_cast<char*>("--format=float32le"), const_cast<char*>(rate.c_str()),
                            const_cast<char*>(channels.c_str()), const_cast<char*>(latency.c_str()),
                            const_cast<char*>(device.c_str()), nullptr};
    const int spawned = posix_spawnp(&child, "parec", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    if (spawned != 0) {
        error = std::string("parec: ") + std::strerror(spawned);
        ::close(ends[0]);
        child = -1;
        return false;
    }
    pipe = ends[0];
    reader = std::thread(&ServerCapture::read, this);
    return true;
}

void ServerCapture::read()
{
    // Whole frames only: a read may end inside one.
    constexpr size_t kFrameBytes = Recording::kChannels * sizeof(float);
    std::vector<char> buffer(1 << 16);
    size_t held = 0;
    for (;;) {
        const ssize_t got = ::read(pipe, buffer.data() + held, buffer.size() - held);
        if (got <= 0) {
            if (got < 0 && errno == EINTR) {
                continue;
            }
            return;
        }
        const double now = counterSeconds();
        held += static_cast<size_t>(got);
        const size_t whole = held - held % kFrameBytes;
        if (whole == 0) {
            continue;
        }
        std::vector<float> samples(whole / sizeof(float));
        std::memcpy(samples.data(), buffer.data(), whole);
        recorded.add(samples.data(), samples.size(), now);
        std::memmove(buffer.data(), buffer.data() + whole, held - whole);
        held -= whole;
    }
}

void ServerCapture::close()
{
    if (child > 0) {
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
        child = -1;
    }
    if (reader.joinable()) {
        reader.join();
    }
    if (pipe >= 0) {
        ::close(pipe);
        pipe = -1;
    }
}

}
