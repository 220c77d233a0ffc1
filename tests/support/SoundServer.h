#pragma once

#include <string>
#include <vector>

// A private sound server with one null sink ("loop", its monitor "loop.monitor"),
// started and stopped by tools/sound_server.sh in a temporary folder of its own.
namespace testing_support {

class SoundServer {
public:
    SoundServer() = default;
    ~SoundServer() { stop(); }
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    // kind: "pulseaudio" or "pipewire". On success this process's own SDL audio
    // reaches the server (SDL_AUDIODRIVER and the server's address are set);
    // on failure `error` says why.
    bool start(const std::string& kind);
    // Stops the server and takes its settings out of this process's environment.
    void stop();

    // What a child process needs in its environment to play on the server.
    std::vector<std::string> clientEnvironment() const;

    std::string folder;
    std::string error;
};

}
