#pragma once

#include "app/Keys.h"
#include "panels/PanelInput.h"

#include "authoring/TimelineEdit.h"

#include <imgui.h>

#include <cstdint>
#include <string>
#include <vector>

// The selected tracks as columns and the rows of the timeline down the panel around a
// cursor, each key shown with its kind, and a mark on the rows where the chosen lanes
// of the music have events. While the panel has the keyboard its keys edit
// at the cursor or on a rectangle of keys; every gesture is one step of the history.
class DopeSheetPanel {
public:
    void draw(const PanelInput& input, const std::vector<std::string>& tracks);
    // An editing key while the panel has the keyboard; true when the panel used it.
    bool press(const PanelInput& input, PanelRequests& requests, const KeyPress& key);

    // The tracks of its columns, and the one under the cursor (empty when none).
    const std::vector<std::string>& shownTracks() const { return columns; }
    void showTracks(const std::vector<std::string>& tracks) { columns = tracks; }
    std::string cursorTrack() const { return trackAt(cursorColumn); }

    // Whether the panel had the keyboard in the last frame.
    bool focused = false;
    int32_t cursorRow = 0;
    size_t cursorColumn = 0;

private:
    struct Copied {
        size_t column = 0;
        int32_t row = 0;
        float value = 0.0f;
        int32_t interpolation = 0;
    };
    // Columns and rows of the selection, both ends included.
    struct Rectangle {
        size_t firstColumn = 0;
        size_t lastColumn = 0;
        int32_t firstRow = 0;
        int32_t lastRow = 0;
    };

    void drawHeader();
    void drawLaneChoice(const PanelInput& input);
    void drawEventMarks(const PanelInput& input, int32_t row, ImVec2 start, float lineHeight);
    void drawGrid(const PanelInput& input, int lines);
    void pointAt(int32_t firstRow, ImVec2 origin, float lineHeight);
    void drawLine(const PanelInput& input, int32_t row, ImVec2 start);
    void drawTyping();
    // A typed value: the characters of a float, Backspace, Enter to set it, Escape to drop it.
    void type(PanelRequests& requests, const KeyPress& key);
    void moveCursor(const KeyPress& key);
    Rectangle selection() const;
    // The keys inside the selection, or the key on the cursor when nothing is selected.
    std::vector<Copied> selectedKeys(const PanelInput& input) const;
    void commit(PanelRequests& requests, const std::vector<TimelineEdit>& step);
    void setKeyHere(const PanelInput& input, PanelRequests& requests);
    void deleteKeys(const PanelInput& input, PanelRequests& requests);
    // The next kind of each key, or the given one (0 step to 3 ramp).
    void cycleKinds(const PanelInput& input, PanelRequests& requests, int32_t kind);
    void nudge(const PanelInput& input, PanelRequests& requests, float amount);
    void shiftKeys(const PanelInput& input, PanelRequests& requests, int32_t rows);
    void copy(const PanelInput& input, PanelRequests& requests);
    void paste(PanelRequests& requests);
    std::string trackAt(size_t column) const;

    std::vector<std::string> columns;
    // The chosen lanes of the music, in their columns left of the keys.
    std::vector<std::string> lanes;
    float keysLeft = 0.0f;
    // The cursor follows the playhead whenever the playhead moves.
    double lastPlayhead = -1.0;
    int32_t rowsPerLine = 8;
    bool selecting = false;
    // The mouse is down on the sheet, which keeps its first line while it is.
    bool holding = false;
    int32_t heldFirstRow = 0;
    // A whole row or the rest of a track, rather than a rectangle from the anchor to the cursor.
    bool fixedSelection = false;
    Rectangle anchor;
    std::vector<Copied> clipboard;
    bool typing = false;
    std::string typed;
};
