#pragma once

#include "app/Keys.h"
#include "panels/Overlay.h"
#include "panels/PanelInput.h"
#include "script/Script.h"
#include "app/ShaderReloader.h"
#include "app/StudioLog.h"
#include "app/StudioOptions.h"
#include "edit/TimelineEditor.h"
#include "app/TimelineReloader.h"
#include "app/Transport.h"

#include "engine/Engine.h"
#include "music/LaneChoice.h"
#include "music/MusicAnalysis.h"
#include "music/MusicEvents.h"

#include <string>

// The demo's picture and music under the author's hands: the same window,
// scene, post processor and sync device as the demo, with a transport on the
// music, the timeline and shaders reloaded as they are saved, and an overlay that draws
// from what it is handed and asks back through PanelRequests.
class Studio : public PanelRequests {
public:
    bool init(const StudioOptions& options);
    void run();
    // One pass of the main loop: events, script, reloads, then the frame.
    void step();
    void shutdown();

    // What the keys, the overlay and the script do.
    void press(const KeyPress& key) override;
    void seek(double row) override;
    void edit(const std::vector<TimelineEdit>& step) override;
    void note(const std::string& message) override;
    void refuse(const std::string& message) override;
    void clearErrors() override;
    bool seekTo(const std::string& position);
    void jumpToMarker(size_t index);
    void toggleSectionLoop();
    void setLoopEdge(bool start);
    void saveTracks();
    // Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y: a step of the edit history, logged.
    void undoEdit(bool redo);
    // A key from the window: to the dope sheet while it has the keyboard, else to press.
    void pressKey(const KeyPress& key);
    // A key on the dope sheet's cursor track at the playhead with its value there, on
    // the nearest row, the nearest beat, or the nearest event of the chosen lanes.
    enum class RecordOn { Row, Beat, Event };
    void recordKey(RecordOn on);
    // The playhead to the previous (-1) or next (1) key of the dope sheet's tracks.
    void jumpToKey(int direction);
    // The playhead to the previous or next event of a lane of the music, or of any
    // lane; false, and logged, when there is none.
    bool jumpToEvent(const std::string& lane, int direction);
    // The same over the lanes chosen in the dope sheet.
    void jumpToChosenEvent(int direction);
    // What the panels draw from this frame.
    PanelInput panelInput();

    Engine engine;
    StudioLog log;
    Transport transport;
    TimelineReloader timeline;
    TimelineEditor editor;
    ShaderReloader shaders;
    Overlay overlay;
    Script script;
    MusicEvents musicEvents;
    LaneChoice musicLanes;
    // The music decoded beside the main loop; its waveform shows once it has finished.
    MusicAnalysis analysis;
    bool overlayVisible = true;
    bool quitRequested = false;
    // A frame to save as PNG once drawn; cleared when written.
    std::string shotPath;
    double frameMs = 0.0;
    double overlayMs = 0.0;

private:
    bool initWindow();
    bool initMusic();
    bool applyOptions(const StudioOptions& options);
    bool readPositions(const StudioOptions& options, double& from, double& loopStart, double& loopEnd,
                       std::string& error) const;
    bool withinMusic(const std::string& option, const std::string& text, double row, std::string& error) const;
    void pollAnalysis();
    void handleEvents();
    void drawFrame();
    void saveShot();
    void updateTitle();

    std::string title;
    uint64_t lastFrameTicks = 0;
    bool overlayReady = false;
    bool analysisTaken = false;
};
