// The dope sheet's keys: the cursor, the selection, and the edits they make.
#include "panels/DopeSheetPanel.h"

#include "authoring/TrackText.h"

#include <imgui.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr int32_t kPageLines = 16;
constexpr float kNudge = 0.01f;
constexpr float kBigNudgeFactor = 10.0f;
constexpr int32_t kKinds = 4;
constexpr size_t kMostTyped = 32;
// What a typed value may hold: a decimal float, "inf" and "nan".
constexpr const char* kValueCharacters = "0123456789.-+eEinfa";

}

bool DopeSheetPanel::press(const PanelInput& input, PanelRequests& requests, const KeyPress& key)
{
    if (columns.empty()) {
        return false;
    }
    if (typing) {
        type(requests, key);
        return true;
    }
    switch (key.key) {
    case SDLK_UP:
    case SDLK_DOWN:
        if (key.alt) {
            nudge(input, requests, (key.key == SDLK_UP ? kNudge : -kNudge) * (key.shift ? kBigNudgeFactor : 1.0f));
        } else if (key.ctrl) {
            shiftKeys(input, requests, key.key == SDLK_UP ? -rowsPerLine : rowsPerLine);
        } else {
            moveCursor(key);
        }
        return true;
    case SDLK_LEFT:
    case SDLK_RIGHT:
    case SDLK_PAGEUP:
    case SDLK_PAGEDOWN:
        moveCursor(key);
        return true;
    case SDLK_RETURN:
        typing = true;
        typed.clear();
        return true;
    case SDLK_INSERT:
    case SDLK_i:
        setKeyHere(input, requests);
        return true;
    case SDLK_DELETE:
        deleteKeys(input, requests);
        return true;
    case SDLK_t:
        cycleKinds(input, requests, -1);
        return true;
    case SDLK_1:
    case SDLK_2:
    case SDLK_3:
    case SDLK_4:
        cycleKinds(input, requests, static_cast<int32_t>(key.key - SDLK_1));
        return true;
    case SDLK_r:
        // Every key on the cursor's row, across the columns.
        selecting = fixedSelection = true;
        anchor = Rectangle{0, columns.size() - 1, cursorRow, cursorRow};
        return true;
    case SDLK_e:
        // The cursor's key with every later key of its track, to move the rest of the track.
        selecting = fixedSelection = true;
        anchor = Rectangle{cursorColumn, cursorColumn, cursorRow, INT32_MAX};
        return true;
    case SDLK_c:
    case SDLK_v:
        if (key.ctrl) {
            key.key == SDLK_c ? copy(input, requests) : paste(requests);
        }
        return key.ctrl;
    case SDLK_ESCAPE:
        // A second Escape hands the keyboard back to the picture.
        if (!selecting) {
            ImGui::SetWindowFocus(nullptr);
            focused = false;
        }
        selecting = false;
        return true;
    default:
        return false;
    }
}

void DopeSheetPanel::type(PanelRequests& requests, const KeyPress& key)
{
    if (key.key == SDLK_RETURN || key.key == SDLK_KP_ENTER) {
        typing = false;
        TimelineEdit edit = setKeyEdit(trackAt(cursorColumn), cursorRow, 0.0f);
        std::string error;
        if (parseValue(typed, edit.value, error)) {
            commit(requests, {edit});
        } else {
            requests.refuse("edit: refused: " + error);
        }
    } else if (key.key == SDLK_ESCAPE) {
        typing = false;
    } else if (key.key == SDLK_BACKSPACE && !typed.empty()) {
        typed.pop_back();
    } else if (typed.size() < kMostTyped && key.key < 128 && std::strchr(kValueCharacters, static_cast<int>(key.key))) {
        typed += static_cast<char>(key.key);
    }
}

void DopeSheetPanel::moveCursor(const KeyPress& key)
{
    if (key.shift && (!selecting || fixedSelection)) {
        selecting = true;
        fixedSelection = false;
        anchor = Rectangle{cursorColumn, cursorColumn, cursorRow, cursorRow};
    } else if (!key.shift && selecting && !fixedSelection) {
        selecting = false;
    }
    int32_t page = kPageLines * rowsPerLine;
    switch (key.key) {
    case SDLK_UP: cursorRow -= rowsPerLine; break;
    case SDLK_DOWN: cursorRow += rowsPerLine; break;
    case SDLK_PAGEUP: cursorRow -= page; break;
    case SDLK_PAGEDOWN: cursorRow += page; break;
    case SDLK_LEFT: cursorColumn = cursorColumn > 0 ? cursorColumn - 1 : 0; break;
    case SDLK_RIGHT: cursorColumn = std::min(cursorColumn + 1, columns.size() - 1); break;
    default: break;
    }
}

DopeSheetPanel::Rectangle DopeSheetPanel::selection() const
{
    if (fixedSelection) {
        return anchor;
    }
    return Rectangle{std::min(anchor.firstColumn, cursorColumn), std::max(anchor.firstColumn, cursorColumn),
                     std::min(anchor.firstRow, cursorRow), std::max(anchor.firstRow, cursorRow)};
}

std::vector<DopeSheetPanel::Copied> DopeSheetPanel::selectedKeys(const PanelInput& input) const
{
    Rectangle area = selecting ? selection() : Rectangle{cursorColumn, cursorColumn, cursorRow, cursorRow};
    std::vector<Copied> keys;
    for (size_t column = area.firstColumn; column <= area.lastColumn && column < columns.size(); ++column) {
        const SourceTrack* track = findSourceTrack(*input.sourceTracks, columns[column]);
        for (size_t i = 0; track != nullptr && i < track->keys.size(); ++i) {
            const TrackKey& key = track->keys[i];
            if (key.row >= area.firstRow && key.row <= area.lastRow) {
                keys.push_back(Copied{column, key.row, key.value, key.interpolation});
            }
        }
    }
    return keys;
}

void DopeSheetPanel::commit(PanelRequests& requests, const std::vector<TimelineEdit>& step)
{
    if (!step.empty()) {
        requests.edit(step);
    }
}

void DopeSheetPanel::setKeyHere(const PanelInput& input, PanelRequests& requests)
{
    TrackStore* store = input.store;
    int32_t index = store == nullptr ? -1 : findTrack(store, trackAt(cursorColumn).c_str());
    float value = index < 0 ? 0.0f : static_cast<float>(trackValue(store->tracks[index], cursorRow));
    commit(requests, {setKeyEdit(trackAt(cursorColumn), cursorRow, value)});
}

void DopeSheetPanel::deleteKeys(const PanelInput& input, PanelRequests& requests)
{
    std::vector<TimelineEdit> step;
    for (const Copied& key : selectedKeys(input)) {
        step.push_back(deleteKeyEdit(trackAt(key.column), key.row));
    }
    commit(requests, step);
}

void DopeSheetPanel::cycleKinds(const PanelInput& input, PanelRequests& requests, int32_t kind)
{
    std::vector<TimelineEdit> step;
    for (const Copied& key : selectedKeys(input)) {
        int32_t next = kind >= 0 ? kind : (key.interpolation + 1) % kKinds;
        step.push_back(kindEdit(trackAt(key.column), key.row, next));
    }
    commit(requests, step);
}

void DopeSheetPanel::nudge(const PanelInput& input, PanelRequests& requests, float amount)
{
    std::vector<TimelineEdit> step;
    for (const Copied& key : selectedKeys(input)) {
        step.push_back(setKeyEdit(trackAt(key.column), key.row, key.value + amount));
    }
    commit(requests, step);
}

// Later keys move first when shifting later, so that no key lands on one still to move.
void DopeSheetPanel::shiftKeys(const PanelInput& input, PanelRequests& requests, int32_t rows)
{
    std::vector<Copied> keys = selectedKeys(input);
    std::sort(keys.begin(), keys.end(), [rows](const Copied& a, const Copied& b) {
        return rows > 0 ? a.row > b.row : a.row < b.row;
    });
    std::vector<TimelineEdit> step;
    for (const Copied& key : keys) {
        step.push_back(moveKeyEdit(trackAt(key.column), key.row, key.row + rows));
    }
    commit(requests, step);
    cursorRow += rows;
    anchor.firstRow += rows;
    anchor.lastRow = anchor.lastRow == INT32_MAX ? INT32_MAX : anchor.lastRow + rows;
}

void DopeSheetPanel::copy(const PanelInput& input, PanelRequests& requests)
{
    clipboard = selectedKeys(input);
    requests.note("edit: copied " + std::to_string(clipboard.size()) + " keys");
}

// The earliest copied row lands on the cursor, the first copied column on the cursor's.
void DopeSheetPanel::paste(PanelRequests& requests)
{
    if (clipboard.empty()) {
        return;
    }
    int32_t earliest = clipboard.front().row;
    size_t leftmost = clipboard.front().column;
    for (const Copied& key : clipboard) {
        earliest = std::min(earliest, key.row);
        leftmost = std::min(leftmost, key.column);
    }
    std::vector<TimelineEdit> step;
    for (const Copied& key : clipboard) {
        size_t column = cursorColumn + key.column - leftmost;
        if (column < columns.size()) {
            step.push_back(setKeyEdit(columns[column], cursorRow + key.row - earliest, key.value, key.interpolation));
        }
    }
    commit(requests, step);
}
