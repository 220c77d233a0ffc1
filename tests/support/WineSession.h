#pragma once

#include "TestPaths.h"

#include <string>
#include <vector>

// The Windows build run under Wine: the zip that make windows packed, unpacked
// into a folder of its own, one Wine prefix under build-windows/ and one
// persistent wineserver while the session lives, so each program starts in a
// fraction of a second.
namespace testing_support {

std::string windowsZipPath();
// Where make windows builds: the Windows capture.exe lies in its bin/.
std::string windowsBuildDir();

class WineSession {
public:
    WineSession() = default;
    ~WineSession() { stop(); }
    WineSession(const WineSession&) = delete;
    WineSession& operator=(const WineSession&) = delete;

    // Unpacks the zip (and capture.exe beside its morlenth.exe), makes the prefix
    // when it is missing and starts the wineserver. False with why in error.
    bool start();
    void stop();

    // Runs a Windows program, given by its path on this machine, in cwd. The
    // session's settings come first in the environment, then env's entries.
    ProcessResult run(const std::vector<std::string>& argv, const std::string& cwd,
                      const std::vector<std::string>& env, double timeoutSeconds,
                      void (*afterStart)(int pid, void* context) = nullptr, void* context = nullptr) const;

    std::string program(const std::string& exe) const { return unpacked + "/" + exe; }

    // The unpacked zip's own folder, morlenth-VERSION-win64.
    std::string unpacked;
    std::string error;

private:
    std::string prefix() const;
    std::vector<std::string> environment() const;
    bool step(const std::vector<std::string>& argv, double timeoutSeconds, const std::string& what);

    std::string tempDir;
    bool serverRunning = false;
};

}
