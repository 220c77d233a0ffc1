// The studio's actions, shared by the keys, the overlay and the script.
#include "app/Studio.h"

#include "edit/Position.h"
#include "edit/Sections.h"

#include "authoring/TrackText.h"

#include <cmath>

namespace {

constexpr double kPageBars = 8.0;
constexpr size_t kMarkerKeys = 9;
// A row computed from seconds may land a hair off the grid line it stands on.
constexpr double kGridSnap = 1e-6;

// The next grid line strictly after (or before) the row, so repeated steps walk the grid.
double gridStep(double row, double size, int direction)
{
    double cell = row / size;
    double snapped = direction > 0 ? std::floor(cell + kGridSnap) + 1.0 : std::ceil(cell - kGridSnap) - 1.0;
    return snapped * size;
}

}

void Studio::press(const KeyPress& key)
{
    double row = transport.row;
    double beat = static_cast<double>(kRowsPerBeat);
    double bar = static_cast<double>(kRowsPerBar);
    switch (key.key) {
    case SDLK_SPACE:
        transport.togglePause();
        break;
    case SDLK_LEFT:
        transport.seek(gridStep(row, key.shift ? bar : beat, -1));
        break;
    case SDLK_RIGHT:
        transport.seek(gridStep(row, key.shift ? bar : beat, 1));
        break;
    case SDLK_PAGEUP:
        transport.seek(gridStep(row, bar, -1) - (kPageBars - 1.0) * bar);
        break;
    case SDLK_PAGEDOWN:
        transport.seek(gridStep(row, bar, 1) + (kPageBars - 1.0) * bar);
        break;
    case SDLK_HOME:
        transport.seek(0.0);
        break;
    case SDLK_l:
        toggleSectionLoop();
        break;
    case SDLK_LEFTBRACKET:
        setLoopEdge(true);
        break;
    case SDLK_RIGHTBRACKET:
        setLoopEdge(false);
        break;
    case SDLK_TAB:
        overlayVisible = !overlayVisible;
        break;
    case SDLK_s:
        if (key.ctrl) {
            saveTracks();
        }
        break;
    case SDLK_k:
        recordKey(key.ctrl ? RecordOn::Event : key.shift ? RecordOn::Beat : RecordOn::Row);
        break;
    case SDLK_COMMA:
    case SDLK_PERIOD:
        if (key.ctrl) {
            jumpToChosenEvent(key.key == SDLK_COMMA ? -1 : 1);
        } else {
            jumpToKey(key.key == SDLK_COMMA ? -1 : 1);
        }
        break;
    case SDLK_z:
    case SDLK_y:
        if (key.ctrl) {
            undoEdit(key.key == SDLK_y || key.shift);
        }
        break;
    case SDLK_ESCAPE:
        quitRequested = true;
        break;
    default:
        if (key.key >= SDLK_1 && key.key <= SDLK_9) {
            jumpToMarker(static_cast<size_t>(key.key - SDLK_1));
        }
        break;
    }
}

bool Studio::seekTo(const std::string& position)
{
    double row = 0.0;
    std::string error;
    if (!parseStudioPosition(position, timeline.markers, row, error)) {
        log.error("studio: " + error);
        return false;
    }
    transport.seek(row);
    return true;
}

void Studio::jumpToMarker(size_t index)
{
    if (index < kMarkerKeys && index < timeline.markers.size()) {
        transport.seek(static_cast<double>(timeline.markers[index].bar * kRowsPerBar));
    }
}

void Studio::toggleSectionLoop()
{
    if (transport.looping) {
        transport.clearLoop();
        log.info("loop: off");
        return;
    }
    Section section = sectionAt(timeline.markers, transport.row, transport.lengthRows());
    transport.setLoop(section.startRow, section.endRow);
    log.info("loop: " + formatClock(section.startRow) + " to " + formatClock(section.endRow) +
             (section.name.empty() ? "" : " (" + section.name + ")"));
}

// The other edge comes from the current section while no loop is set.
void Studio::setLoopEdge(bool start)
{
    Section section = sectionAt(timeline.markers, transport.row, transport.lengthRows());
    double loopStart = transport.looping ? transport.loopStart : section.startRow;
    double loopEnd = transport.looping ? transport.loopEnd : section.endRow;
    (start ? loopStart : loopEnd) = transport.row;
    if (loopEnd <= loopStart) {
        log.error("loop: the end must come after the start");
        return;
    }
    transport.setLoop(loopStart, loopEnd);
    log.info("loop: " + formatClock(loopStart) + " to " + formatClock(loopEnd));
}

void Studio::saveTracks()
{
    timeline.save(log);
}
