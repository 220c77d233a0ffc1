#include "SoundServer.h"

#include "TestPaths.h"

#include <cstdlib>

namespace testing_support {

namespace {

std::string script()
{
    return sourceDir() + "/tools/sound_server.sh";
}

}

bool SoundServer::start(const std::string& kind)
{
    folder = makeTempDir("morlenth-sound");
    if (folder.empty()) {
        error = "no temporary folder";
        return false;
    }
    const std::string log = folder + "/start.log";
    const std::string command = "'" + script() + "' start '" + folder + "' " + kind + " > '" + log + "' 2>&1";
    if (std::system(command.c_str()) != 0) {
        error = readFile(log);
        removeTree(folder);
        folder.clear();
        return false;
    }
    for (const std::string& entry : clientEnvironment()) {
        const size_t equals = entry.find('=');
        setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
    }
    return true;
}

void SoundServer::stop()
{
    if (folder.empty()) {
        return;
    }
    for (const std::string& entry : clientEnvironment()) {
        unsetenv(entry.substr(0, entry.find('=')).c_str());
    }
    const std::string command = "'" + script() + "' stop '" + folder + "'";
    if (std::system(command.c_str()) != 0) {
        error = "the server did not stop";
    }
    removeTree(folder);
    folder.clear();
}

std::vector<std::string> SoundServer::clientEnvironment() const
{
    return {"SDL_AUDIODRIVER=pulseaudio", "PULSE_SERVER=unix:" + folder + "/native",
            "PULSE_CLIENTCONFIG=" + folder + "/client.conf"};
}

}
