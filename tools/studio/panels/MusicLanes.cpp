#include "panels/MusicLanes.h"

#include "music/MusicEvents.h"
#include "music/Waveform.h"

#include "edit/Position.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kWaveHeight = 32.0f;
constexpr float kLaneHeight = 8.0f;
constexpr float kLabelWidth = 48.0f;
constexpr float kHoverReach = 3.0f;
constexpr float kPlayheadWidth = 2.0f;
constexpr ImU32 kBackground = IM_COL32(14, 16, 22, 255);
constexpr ImU32 kWaveColor = IM_COL32(90, 170, 150, 255);
constexpr ImU32 kLaneShade = IM_COL32(24, 26, 34, 255);
constexpr ImU32 kTickColor = IM_COL32(120, 120, 140, 255);
constexpr ImU32 kChosenTickColor = IM_COL32(255, 210, 60, 255);
constexpr ImU32 kLabelText = IM_COL32(160, 160, 170, 255);
constexpr ImU32 kPlayhead = IM_COL32(255, 80, 80, 255);
constexpr const char* kDecoding = "decoding the music...";

}

float MusicLanes::height(const PanelInput& input) const
{
    return kWaveHeight + kLaneHeight * static_cast<float>(input.events->lanes().size());
}

// Whole pixels, so that each tick and wave column fills exactly one column of the picture.
float MusicLanes::x(double row) const
{
    return std::floor(left + static_cast<float>((row - firstRow) / (lastRow - firstRow)) * width);
}

void MusicLanes::draw(const PanelInput& input, ImVec2 origin, float spanWidth, double first, double last)
{
    left = std::floor(origin.x);
    width = std::floor(spanWidth);
    firstRow = first;
    lastRow = last;
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const float bottom = origin.y + height(input);
    draw->AddRectFilled(ImVec2(left - kLabelWidth, origin.y), ImVec2(left + width, bottom), kBackground);
    // The playhead goes under the ticks, so that an event on it still shows.
    const float head = x(input.row);
    draw->AddRectFilled(ImVec2(head, origin.y), ImVec2(head + kPlayheadWidth, bottom), kPlayhead);
    drawWaveform(input, origin);
    drawEvents(input, ImVec2(origin.x, origin.y + kWaveHeight));
}

// One column per pixel: the smallest and largest sample of the rows it covers, joined
// into one strip of two vertices a column, half what a rectangle a column would take.
void MusicLanes::drawWaveform(const PanelInput& input, ImVec2 origin)
{
    ImDrawList* draw = ImGui::GetWindowDrawList();
    if (input.waveform == nullptr) {
        draw->AddText(ImVec2(left, origin.y), kLabelText, kDecoding);
        return;
    }
    const float middle = origin.y + kWaveHeight / 2.0f;
    const float half = kWaveHeight / 2.0f - 1.0f;
    const double rowsPerPixel = (lastRow - firstRow) / width;
    const int columns = static_cast<int>(width) + 1;
    if (columns < 2) {
        return;
    }
    draw->PrimReserve(6 * (columns - 1), 2 * columns);
    const ImDrawIdx base = static_cast<ImDrawIdx>(draw->_VtxCurrentIdx);
    const ImVec2 uv = ImGui::GetFontTexUvWhitePixel();
    for (int px = 0; px < columns; ++px) {
        const double from = firstRow + px * rowsPerPixel;
        float low = 0.0f;
        float high = 0.0f;
        // Outside the music the strip closes to the middle line.
        input.waveform->range(from / input.rowsPerSecond, (from + rowsPerPixel) / input.rowsPerSecond, low, high);
        const float column = left + static_cast<float>(px);
        draw->PrimWriteVtx(ImVec2(column, middle - high * half), uv, kWaveColor);
        draw->PrimWriteVtx(ImVec2(column, middle - low * half + 1.0f), uv, kWaveColor);
    }
    for (int px = 0; px + 1 < columns; ++px) {
        const ImDrawIdx at = static_cast<ImDrawIdx>(base + 2 * px);
        draw->PrimWriteIdx(at);
        draw->PrimWriteIdx(static_cast<ImDrawIdx>(at + 1));
        draw->PrimWriteIdx(static_cast<ImDrawIdx>(at + 2));
        draw->PrimWriteIdx(static_cast<ImDrawIdx>(at + 1));
        draw->PrimWriteIdx(static_cast<ImDrawIdx>(at + 3));
        draw->PrimWriteIdx(static_cast<ImDrawIdx>(at + 2));
    }
}

void MusicLanes::drawEvents(const PanelInput& input, ImVec2 origin)
{
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const std::vector<std::string>& lanes = input.events->lanes();
    const std::vector<MusicEvent>& events = input.events->all();
    for (size_t lane = 0; lane < lanes.size(); ++lane) {
        const float top = origin.y + kLaneHeight * static_cast<float>(lane);
        if (lane % 2 == 1) {
            draw->AddRectFilled(ImVec2(left, top), ImVec2(left + width, top + kLaneHeight), kLaneShade);
        }
        draw->AddText(ImGui::GetFont(), kLaneHeight, ImVec2(left - kLabelWidth + 2.0f, top), kLabelText,
                      lanes[lane].c_str());
    }
    // The events are sorted by row: only those in view are looked at.
    auto first = std::lower_bound(events.begin(), events.end(), firstRow,
                                  [](const MusicEvent& event, double row) { return event.row < row; });
    const ImVec2 mouse = ImGui::GetIO().MousePos;
    const MusicEvent* hovered = nullptr;
    std::vector<ImU32> colors(lanes.size());
    for (size_t lane = 0; lane < lanes.size(); ++lane) {
        colors[lane] = input.lanes->chosen(lanes[lane]) ? kChosenTickColor : kTickColor;
    }
    for (auto event = first; event != events.end() && event->row <= lastRow; ++event) {
        const float top = origin.y + kLaneHeight * static_cast<float>(event->laneIndex);
        const float px = x(event->row);
        draw->AddRectFilled(ImVec2(px, top + 1.0f), ImVec2(px + 1.0f, top + kLaneHeight), colors[event->laneIndex]);
        if (mouse.y >= top && mouse.y < top + kLaneHeight && std::fabs(mouse.x - px) <= kHoverReach) {
            hovered = &*event;
        }
    }
    if (hovered != nullptr && ImGui::IsWindowHovered()) {
        if (hovered->note.empty()) {
            ImGui::SetTooltip("%s at %s, velocity %.2f", hovered->lane.c_str(), formatClock(hovered->row).c_str(),
                              static_cast<double>(hovered->velocity));
        } else {
            ImGui::SetTooltip("%s %s at %s, velocity %.2f", hovered->lane.c_str(), hovered->note.c_str(),
                              formatClock(hovered->row).c_str(), static_cast<double>(hovered->velocity));
        }
    }
}
