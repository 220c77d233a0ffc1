#include "panels/DopeSheetPanel.h"

#include "edit/Position.h"
#include "music/MusicEvents.h"

#include "authoring/TrackText.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr float kColumnWidth = 72.0f;
constexpr float kRowLabelWidth = 60.0f;
// Room left between one column's name and the next.
constexpr float kColumnGap = 4.0f;
constexpr const char* kCutMark = "..";
// A narrow column for each chosen lane of the music, between the rows and the keys.
constexpr float kLaneColumnWidth = 10.0f;
constexpr ImU32 kEventMark = IM_COL32(230, 180, 70, 255);
constexpr const char* kLanesMenu = "music lanes";
constexpr int kMinLines = 4;
constexpr int32_t kLineChoices[] = {1, 2, 4, 8, 16};
constexpr const char* kKindMarks[] = {"_", "/", "~", "^"};
constexpr ImU32 kBeatShade = IM_COL32(40, 40, 48, 255);
constexpr ImU32 kBarShade = IM_COL32(60, 60, 74, 255);
constexpr ImU32 kCursorFill = IM_COL32(255, 200, 90, 90);
constexpr ImU32 kSelectionFill = IM_COL32(90, 150, 255, 70);
constexpr ImU32 kPlayheadFill = IM_COL32(255, 80, 80, 70);
constexpr ImU32 kKeyText = IM_COL32(235, 235, 240, 255);
constexpr ImU32 kRowText = IM_COL32(150, 150, 160, 255);
const ImVec4 kFocusedText(1.0f, 0.8f, 0.35f, 1.0f);
const ImVec4 kIdleText(0.6f, 0.6f, 0.65f, 1.0f);

int32_t floorTo(double row, int32_t step)
{
    return static_cast<int32_t>(std::floor(row / step)) * step;
}

std::string propertyOf(const std::string& name)
{
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(dot + 1);
}

// The whole name, else its property with a mark for the group left out, else as
// much of the property as fits counted from its end.
std::string fittedName(const std::string& name, float width)
{
    const std::string property = propertyOf(name);
    for (const std::string& shown : {name, kCutMark + property, property}) {
        if (ImGui::CalcTextSize(shown.c_str()).x <= width) {
            return shown;
        }
    }
    for (size_t cut = name.size() - property.size() + 1; cut < name.size(); ++cut) {
        std::string shown = kCutMark + name.substr(cut);
        if (ImGui::CalcTextSize(shown.c_str()).x <= width) {
            return shown;
        }
    }
    return kCutMark;
}


}

std::string DopeSheetPanel::trackAt(size_t column) const
{
    return column < columns.size() ? columns[column] : "";
}

void DopeSheetPanel::draw(const PanelInput& input, const std::vector<std::string>& tracks)
{
    lanes = input.lanes->names();
    keysLeft = kRowLabelWidth + kLaneColumnWidth * static_cast<float>(lanes.size());
    float room = ImGui::GetContentRegionAvail().x - keysLeft;
    size_t fitting = static_cast<size_t>(std::max(room / kColumnWidth, 1.0f));
    columns.assign(tracks.begin(), tracks.begin() + static_cast<long>(std::min(fitting, tracks.size())));
    cursorColumn = std::min(cursorColumn, columns.empty() ? 0 : columns.size() - 1);
    focused = ImGui::IsWindowFocused(ImGuiFocusedFlags_RootAndChildWindows);
    if (input.row != lastPlayhead) {
        cursorRow = floorTo(input.row, rowsPerLine);
        lastPlayhead = input.row;
    }
    ImGui::SetNextItemWidth(kRowLabelWidth);
    int choice = static_cast<int>(std::find(std::begin(kLineChoices), std::end(kLineChoices), rowsPerLine) -
                                  std::begin(kLineChoices));
    if (ImGui::SliderInt("rows a line", &choice, 0, IM_ARRAYSIZE(kLineChoices) - 1,
                         std::to_string(kLineChoices[std::clamp(choice, 0, 4)]).c_str())) {
        rowsPerLine = kLineChoices[std::clamp(choice, 0, 4)];
    }
    drawLaneChoice(input);
    ImGui::TextColored(focused ? kFocusedText : kIdleText, "%s",
                       focused ? "keys: dope sheet (Esc Esc: picture)" : "keys: picture (click here to edit)");
    if (typing) {
        drawTyping();
    }
    drawHeader();
    float lineHeight = ImGui::GetTextLineHeightWithSpacing();
    int lines = std::max(kMinLines, static_cast<int>(ImGui::GetContentRegionAvail().y / lineHeight) - 1);
    drawGrid(input, lines);
}

// The columns' track names, whole where they fit. A longer one loses its start rather
// than its end, so that the property stays ("..Exposure"), and shows whole on hover.
void DopeSheetPanel::drawHeader()
{
    ImVec2 origin = ImGui::GetCursorScreenPos();
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const float height = ImGui::GetTextLineHeight();
    const ImVec2 mouse = ImGui::GetIO().MousePos;
    for (size_t column = 0; column < columns.size(); ++column) {
        float x = origin.x + keysLeft + kColumnWidth * static_cast<float>(column);
        const std::string& name = columns[column];
        draw->AddText(ImVec2(x, origin.y), kKeyText, fittedName(name, kColumnWidth - kColumnGap).c_str());
        if (ImGui::IsWindowHovered() && mouse.x >= x && mouse.x < x + kColumnWidth && mouse.y >= origin.y &&
            mouse.y < origin.y + height) {
            ImGui::SetTooltip("%s", name.c_str());
        }
    }
    for (size_t lane = 0; lane < lanes.size(); ++lane) {
        float x = origin.x + kRowLabelWidth + kLaneColumnWidth * static_cast<float>(lane);
        draw->AddText(ImVec2(x, origin.y), kEventMark, lanes[lane].substr(0, 1).c_str());
        if (ImGui::IsWindowHovered() && mouse.x >= x && mouse.x < x + kLaneColumnWidth && mouse.y >= origin.y &&
            mouse.y < origin.y + height) {
            ImGui::SetTooltip("events of %s", lanes[lane].c_str());
        }
    }
    ImGui::Dummy(ImVec2(keysLeft, ImGui::GetTextLineHeightWithSpacing()));
}

// Which lanes of the music get a column, and take the jumps and snaps.
void DopeSheetPanel::drawLaneChoice(const PanelInput& input)
{
    const std::vector<std::string>& all = input.events->lanes();
    if (all.empty()) {
        return;
    }
    ImGui::SameLine();
    if (ImGui::SmallButton("lanes")) {
        ImGui::OpenPopup(kLanesMenu);
    }
    if (ImGui::BeginPopup(kLanesMenu)) {
        for (const std::string& lane : all) {
            bool on = input.lanes->chosen(lane);
            if (ImGui::Checkbox(lane.c_str(), &on)) {
                input.lanes->choose(lane, on);
            }
        }
        ImGui::EndPopup();
    }
}

// A mark in a lane's column on each line that holds one of its events.
void DopeSheetPanel::drawEventMarks(const PanelInput& input, int32_t row, ImVec2 start, float lineHeight)
{
    const std::vector<MusicEvent>& events = input.events->all();
    auto event = std::lower_bound(events.begin(), events.end(), static_cast<double>(row),
                                  [](const MusicEvent& e, double at) { return e.row < at; });
    ImDrawList* draw = ImGui::GetWindowDrawList();
    for (; event != events.end() && event->row < static_cast<double>(row + rowsPerLine); ++event) {
        auto lane = std::find(lanes.begin(), lanes.end(), event->lane);
        if (lane != lanes.end()) {
            float x = start.x + kRowLabelWidth + kLaneColumnWidth * static_cast<float>(lane - lanes.begin());
            draw->AddRectFilled(ImVec2(x + 2.0f, start.y + 2.0f), ImVec2(x + kLaneColumnWidth - 2.0f, start.y + lineHeight - 2.0f),
                                kEventMark);
        }
    }
}

void DopeSheetPanel::drawTyping()
{
    ImGui::TextColored(kFocusedText, "value: %s_   (Enter sets it, Escape drops it)", typed.c_str());
}

void DopeSheetPanel::drawGrid(const PanelInput& input, int lines)
{
    ImVec2 origin = ImGui::GetCursorScreenPos();
    float lineHeight = ImGui::GetTextLineHeightWithSpacing();
    // The sheet centres on the cursor, but holds still under a mouse that is selecting.
    int32_t first = holding ? heldFirstRow : cursorRow - rowsPerLine * (lines / 2);
    for (int line = 0; line < lines; ++line) {
        drawLine(input, first + line * rowsPerLine, ImVec2(origin.x, origin.y + static_cast<float>(line) * lineHeight));
    }
    ImVec2 size(keysLeft + kColumnWidth * static_cast<float>(std::max<size_t>(columns.size(), 1)),
                lineHeight * static_cast<float>(lines));
    ImGui::InvisibleButton("sheet", size);
    if (!columns.empty()) {
        pointAt(first, origin, lineHeight);
    }
    holding = ImGui::IsItemActive();
    heldFirstRow = first;
}

// The mouse makes the keyboard's selection: a click puts the cursor on a cell, Shift
// and a click stretch the selection from where the cursor was, and a drag selects the
// rectangle from where it began.
void DopeSheetPanel::pointAt(int32_t firstRow, ImVec2 origin, float lineHeight)
{
    ImVec2 mouse = ImGui::GetIO().MousePos;
    float x = (mouse.x - origin.x - keysLeft) / kColumnWidth;
    int32_t row = firstRow + static_cast<int32_t>(std::floor((mouse.y - origin.y) / lineHeight)) * rowsPerLine;
    size_t column = x < 0.0f ? cursorColumn : std::min(static_cast<size_t>(x), columns.size() - 1);
    if (ImGui::IsItemClicked()) {
        bool extend = ImGui::GetIO().KeyShift;
        if (extend && (!selecting || fixedSelection)) {
            anchor = Rectangle{cursorColumn, cursorColumn, cursorRow, cursorRow};
        } else if (!extend) {
            anchor = Rectangle{column, column, row, row};
        }
        selecting = extend;
        fixedSelection = false;
        cursorRow = row;
        cursorColumn = column;
    } else if (ImGui::IsItemActive() && ImGui::IsMouseDragging(ImGuiMouseButton_Left)) {
        selecting = true;
        fixedSelection = false;
        cursorRow = row;
        cursorColumn = column;
    }
}

// One line of the sheet: its shade, its position, and in each column the cursor, the
// selection and the key that lies within its rows.
void DopeSheetPanel::drawLine(const PanelInput& input, int32_t row, ImVec2 start)
{
    ImDrawList* draw = ImGui::GetWindowDrawList();
    float lineHeight = ImGui::GetTextLineHeightWithSpacing();
    ImVec2 end(start.x + keysLeft + kColumnWidth * static_cast<float>(columns.size()), start.y + lineHeight);
    if (row % kRowsPerBeat == 0) {
        draw->AddRectFilled(start, end, row % kRowsPerBar == 0 ? kBarShade : kBeatShade);
    }
    if (row == floorTo(input.row, rowsPerLine)) {
        draw->AddRectFilled(start, end, kPlayheadFill);
    }
    draw->AddText(start, kRowText, formatClock(std::max(row, 0)).c_str());
    drawEventMarks(input, row, start, lineHeight);
    Rectangle selected = selection();
    for (size_t column = 0; column < columns.size(); ++column) {
        ImVec2 cell(start.x + keysLeft + kColumnWidth * static_cast<float>(column), start.y);
        ImVec2 cellEnd(cell.x + kColumnWidth - 2.0f, start.y + lineHeight);
        if (selecting && column >= selected.firstColumn && column <= selected.lastColumn && row >= selected.firstRow &&
            row <= selected.lastRow) {
            draw->AddRectFilled(cell, cellEnd, kSelectionFill);
        }
        if (column == cursorColumn && row == cursorRow) {
            draw->AddRectFilled(cell, cellEnd, kCursorFill);
        }
        const SourceTrack* track = findSourceTrack(*input.sourceTracks, columns[column]);
        for (size_t i = 0; track != nullptr && i < track->keys.size(); ++i) {
            const TrackKey& key = track->keys[i];
            if (key.row >= row && key.row < row + rowsPerLine) {
                char text[48];
                std::snprintf(text, sizeof text, "%s %s%s", kKindMarks[key.interpolation & 3],
                              formatValue(key.value).c_str(), key.row != row ? "*" : "");
                draw->AddText(cell, kKeyText, text);
            }
        }
    }
}
