// The music under the studio: what plays, its score's events or the onsets found in it,
// and its waveform, decoded beside the main loop.
#include "app/Studio.h"

#include "audio/AudioBackend.h"
#include "timeline/SyncDevice.h"

namespace {

constexpr const char* kMusicPath = "res/audio/melody.mp3";
constexpr float kMusicBpm = 110.0f;
// The lane of onsets found in music that has no events file beside it.
constexpr const char* kOnsetLane = "onsets";

}

bool Studio::initMusic()
{
    if (!engine.soundtrack.initAudio() || !engine.soundtrack.load(kMusicPath, kMusicBpm)) {
        log.error(std::string("studio: cannot play ") + kMusicPath);
        return false;
    }
    uint32_t stream = engine.soundtrack.stream;
    double length = audioChannelBytes2Seconds(stream, audioChannelGetLength(stream));
    // The player's own rule, in double precision so that seeks land on whole samples.
    transport.init(&engine.soundtrack, rowsPerSecond(kMusicBpm), length > 0.0 ? length : 0.0);
    transport.paused = true;
    // The score's events are a help, not a need: music without them plays all the same,
    // with the onsets found in its sound instead.
    std::string why;
    const bool haveEvents = musicEvents.load(kMusicPath, why);
    if (haveEvents) {
        log.info("music: " + std::to_string(musicEvents.all().size()) + " events in " +
                 std::to_string(musicEvents.lanes().size()) + " lanes from " + musicEvents.path);
    } else {
        log.info("music: no events: " + why + "; finding onsets");
    }
    musicLanes.reset(musicEvents.lanes());
    if (!analysis.start(kMusicPath, !haveEvents)) {
        log.error(std::string("music: cannot analyse ") + kMusicPath);
    }
    return true;
}

// Never waits: the waveform and the onsets arrive on the first frame after the thread ends.
void Studio::pollAnalysis()
{
    if (analysisTaken || !analysis.ready()) {
        return;
    }
    analysisTaken = true;
    if (!analysis.error.empty()) {
        log.error("music: " + analysis.error);
        return;
    }
    if (!musicEvents.loaded()) {
        std::vector<double> rows;
        for (double seconds : analysis.onsetSeconds()) {
            rows.push_back(seconds * transport.rowsPerSecond);
        }
        musicEvents.addLane(kOnsetLane, rows);
        musicLanes.reset(musicEvents.lanes());
        log.info("music: " + std::to_string(rows.size()) + " onsets found");
    }
}

bool Studio::jumpToEvent(const std::string& lane, int direction)
{
    double row = 0.0;
    if (!musicEvents.step(lane, transport.row, direction, row)) {
        log.error("music: no " + std::string(direction > 0 ? "next" : "previous") + " event in lane '" + lane + "'");
        return false;
    }
    transport.seek(row);
    return true;
}

void Studio::jumpToChosenEvent(int direction)
{
    double row = 0.0;
    if (musicEvents.step(musicLanes.names(), transport.row, direction, row)) {
        transport.seek(row);
    }
}
