#pragma once

#include "Recording.h"

#include <sys/types.h>

#include <string>
#include <thread>

// Records the sink's monitor through the sound server's own recorder (parec, a
// client of its own outside this process), noting when each piece arrives on
// this process's counter. After a server stopped for a second, SDL's captures in
// this process fall behind the sink for seconds; this one keeps its pace.
namespace bench_support {

class ServerCapture {
public:
    ServerCapture() = default;
    ~ServerCapture() { close(); }
    ServerCapture(const ServerCapture&) = delete;
    ServerCapture& operator=(const ServerCapture&) = delete;

    // Reaches the server this process's environment names (SoundServer::start).
    // Starts recording at once; `error` says why it did not.
    bool open(const std::string& source, int latencyMs);
    void close();

    testing_support::Recording& recording() { return recorded; }
    std::vector<float> samples() { return recorded.samples(); }

    std::string error;

private:
    void read();

    pid_t child = -1;
    int pipe = -1;
    std::thread reader;
    testing_support::Recording recorded;
};

}
