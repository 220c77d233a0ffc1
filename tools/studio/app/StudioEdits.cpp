// The studio's editing actions outside the panels: undo, redo, record, key jumps.
#include "app/Studio.h"

#include "authoring/TrackText.h"

#include <climits>
#include <cmath>

namespace {

// A playhead computed from seconds may stand a hair before the row of a key it reached.
constexpr double kRowSnap = 1e-6;

}

void Studio::pressKey(const KeyPress& key)
{
    bool undoKey = key.ctrl && (key.key == SDLK_z || key.key == SDLK_y);
    if (overlayVisible && overlay.dopeSheet.focused && !undoKey) {
        overlay.dopeSheet.press(panelInput(), *this, key);
        return;
    }
    press(key);
}

void Studio::undoEdit(bool redo)
{
    std::string message;
    if (redo ? editor.redo(message) : editor.undo(message)) {
        log.info("edit: " + message);
    } else {
        log.error("edit: " + message);
    }
}

void Studio::recordKey(RecordOn on)
{
    std::string name = overlay.dopeSheet.cursorTrack();
    if (name.empty()) {
        log.error("edit: refused: no track in the dope sheet to record on");
        return;
    }
    double grid = on == RecordOn::Beat ? static_cast<double>(kRowsPerBeat) : 1.0;
    int32_t row = static_cast<int32_t>(std::lround(transport.row / grid) * static_cast<long>(grid));
    double event = 0.0;
    if (on == RecordOn::Event) {
        if (!musicEvents.nearest(musicLanes.names(), transport.row, event)) {
            log.error("edit: refused: no event of the chosen lanes to record on");
            return;
        }
        row = static_cast<int32_t>(std::lround(event));
    }
    TrackStore* store = engine.syncDevice.store;
    int32_t index = store == nullptr ? -1 : findTrack(store, name.c_str());
    float value = index < 0 ? 0.0f : static_cast<float>(trackValue(store->tracks[index], transport.row));
    edit({setKeyEdit(name, row, value)});
}

void Studio::jumpToKey(int direction)
{
    int64_t here = static_cast<int64_t>(std::floor(transport.row + kRowSnap));
    int64_t best = direction > 0 ? INT64_MAX : INT64_MIN;
    for (const std::string& name : overlay.dopeSheet.shownTracks()) {
        const SourceTrack* track = findSourceTrack(editor.document.parsed.tracks, name);
        for (size_t i = 0; track != nullptr && i < track->keys.size(); ++i) {
            int64_t row = track->keys[i].row;
            if (direction > 0 && row > here && row < best) {
                best = row;
            } else if (direction < 0 && row < here && row > best) {
                best = row;
            }
        }
    }
    if (best != INT64_MAX && best != INT64_MIN) {
        transport.seek(static_cast<double>(std::max<int64_t>(best, 0)));
    }
}
