#include "WineSession.h"

#include <filesystem>

namespace testing_support {

namespace fs = std::filesystem;

namespace {

// Debian's wine package puts its launchers here; make deps installs it.
constexpr const char* kWine = "/usr/bin/wine";
constexpr const char* kWineboot = "/usr/bin/wineboot";
constexpr const char* kWineserver = "/usr/bin/wineserver";
// A new prefix takes 10 to 20 s on two cores; a busy machine, longer.
constexpr double kPrefixTimeout = 180.0;
constexpr double kCommandTimeout = 60.0;

}

std::string windowsBuildDir() { return MORLENTH_WINDOWS_BUILD_DIR; }
std::string windowsZipPath() { return MORLENTH_WINDOWS_ZIP; }

std::string WineSession::prefix() const
{
    return windowsBuildDir() + "/wine-prefix";
}

std::vector<std::string> WineSession::environment() const
{
    // No fixme chatter in the output, and no offer to install .NET or a browser
    // engine, which nothing here uses. The Windows SDL has a video driver of its
    // own, and would take the X11 one that the tests ask of Linux programs for
    // one it lacks.
    return {"WINEPREFIX=" + prefix(), "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml=",
            "SDL_VIDEODRIVER="};
}

bool WineSession::step(const std::vector<std::string>& argv, double timeoutSeconds, const std::string& what)
{
    ProcessResult result = runProcess(argv, "", environment(), timeoutSeconds);
    if (!result.exited || result.exitCode != 0) {
        error = what + " failed (" + (result.timedOut ? "timed out" : "exit " + std::to_string(result.exitCode)) +
                "): " + result.output;
        return false;
    }
    return true;
}

bool WineSession::start()
{
    if (!fs::exists(windowsZipPath())) {
        error = windowsZipPath() + " is missing: make windows builds it";
        return false;
    }
    if (!fs::exists(kWine)) {
        error = std::string(kWine) + " is missing: make deps installs Wine";
        return false;
    }
    tempDir = makeTempDir("morlenth-wine");
    if (!step({"/usr/bin/python3", "-m", "zipfile", "-e", windowsZipPath(), tempDir}, kCommandTimeout,
              "unpacking the zip")) {
        return false;
    }
    unpacked = tempDir + "/" + fs::path(windowsZipPath()).stem().string();
    // capture.exe is built beside the player but not shipped; it finds the DLLs here.
    copyFile(windowsBuildDir() + "/bin/capture.exe", program("capture.exe"));
    // A server left behind by a run that died would refuse a persistent one, and
    // so would the one that made the prefix, which lingers for a few seconds.
    if (!fs::exists(prefix()) && !step({kWineboot, "-i"}, kPrefixTimeout, "making the Wine prefix")) {
        return false;
    }
    runProcess({kWineserver, "-k"}, "", environment(), kCommandTimeout);
    if (!step({kWineserver, "-p"}, kCommandTimeout, "starting the wineserver")) {
        return false;
    }
    serverRunning = true;
    return true;
}

void WineSession::stop()
{
    if (serverRunning) {
        runProcess({kWineserver, "-k"}, "", environment(), kCommandTimeout);
        runProcess({kWineserver, "-w"}, "", environment(), kCommandTimeout);
        serverRunning = false;
    }
    if (!tempDir.empty()) {
        removeTree(tempDir);
        tempDir.clear();
    }
}

ProcessResult WineSession::run(const std::vector<std::string>& argv, const std::string& cwd,
                               const std::vector<std::string>& env, double timeoutSeconds,
                               void (*afterStart)(int pid, void* context), void* context) const
{
    std::vector<std::string> command = {kWine};
    command.insert(command.end(), argv.begin(), argv.end());
    std::vector<std::string> fullEnv = environment();
    fullEnv.insert(fullEnv.end(), env.begin(), env.end());
    return runProcess(command, cwd, fullEnv, timeoutSeconds, afterStart, context);
}

}
