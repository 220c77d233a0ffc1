// The curve view's mouse gestures; each ends in one step of the edit history.
#include "panels/CurvePanel.h"

#include "music/MusicEvents.h"

#include "authoring/TrackText.h"

#include <cmath>

namespace {

constexpr float kGrabRadius = 6.0f;
constexpr ImU32 kDragColor = IM_COL32(255, 255, 255, 255);
constexpr float kDragDotRadius = 5.0f;
constexpr const char* kMenu = "key kind";

// Rows snap to whole rows, to beats with Shift, or with Ctrl to the nearest event of the
// chosen lanes of the music, on its row.
int32_t snappedRow(const PanelInput& input, const CurvePanel::View& view, float px)
{
    double row = view.rowAt(px);
    double event = 0.0;
    if (ImGui::GetIO().KeyCtrl && input.events->nearest(input.lanes->names(), row, event)) {
        return static_cast<int32_t>(std::lround(event));
    }
    double grid = ImGui::GetIO().KeyShift ? static_cast<double>(kRowsPerBeat) : 1.0;
    return static_cast<int32_t>(std::lround(row / grid) * static_cast<long>(grid));
}

}

void CurvePanel::edit(const PanelInput& input, PanelRequests& requests, const View& view,
                      const std::vector<const Track*>& tracks)
{
    ImGuiIO& io = ImGui::GetIO();
    bool hovered = ImGui::IsItemHovered();
    Grab grab;
    if (hovered && ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left)) {
        addKeyOnCurve(input, requests, view, tracks);
    } else if (hovered && ImGui::IsMouseClicked(ImGuiMouseButton_Left) && keyUnderMouse(view, tracks, grab)) {
        dragging = true;
        dragged = grab;
        pressedAt = io.MousePos;
    } else if (hovered && ImGui::IsMouseClicked(ImGuiMouseButton_Right) && keyUnderMouse(view, tracks, grab)) {
        menuKey = grab;
        ImGui::OpenPopup(kMenu);
    }
    if (dragging) {
        ImVec2 at(view.x(snappedRow(input, view, io.MousePos.x)), io.MousePos.y);
        ImGui::GetWindowDrawList()->AddCircle(at, kDragDotRadius, kDragColor);
        if (!ImGui::IsMouseDown(ImGuiMouseButton_Left)) {
            finishDrag(input, requests, view);
        }
    }
    drawKindMenu(requests);
}

bool CurvePanel::keyUnderMouse(const View& view, const std::vector<const Track*>& tracks, Grab& grab) const
{
    ImVec2 mouse = ImGui::GetIO().MousePos;
    float best = kGrabRadius * kGrabRadius;
    bool found = false;
    for (const Track* track : tracks) {
        for (int32_t i = 0; i < track->keyCount; ++i) {
            const TrackKey& key = track->keys[i];
            float dx = view.x(key.row) - mouse.x;
            float dy = view.y(key.value) - mouse.y;
            if (dx * dx + dy * dy <= best) {
                best = dx * dx + dy * dy;
                grab = Grab{track->name, key.row, key.value};
                found = true;
            }
        }
    }
    return found;
}

// The whole drag is one step: the move, then the new value on the new row.
void CurvePanel::finishDrag(const PanelInput& input, PanelRequests& requests, const View& view)
{
    dragging = false;
    ImVec2 mouse = ImGui::GetIO().MousePos;
    int32_t row = snappedRow(input, view, mouse.x);
    // The mouse places a value to within half a pixel; the text gets no more digits than that.
    const float halfPixel = 0.5f * (view.high - view.low) / view.size.y;
    float value = shortestValueWithin(view.valueAt(mouse.y), halfPixel);
    // A click that did not move is no drag.
    float dx = mouse.x - pressedAt.x;
    float dy = mouse.y - pressedAt.y;
    if (dx * dx + dy * dy < kGrabRadius * kGrabRadius) {
        return;
    }
    std::vector<TimelineEdit> step;
    if (row != dragged.row) {
        step.push_back(moveKeyEdit(dragged.track, dragged.row, row));
    }
    step.push_back(setKeyEdit(dragged.track, row, value));
    requests.edit(step);
}

// On the curve nearest the mouse, with the value the curve has there.
void CurvePanel::addKeyOnCurve(const PanelInput& input, PanelRequests& requests, const View& view,
                               const std::vector<const Track*>& tracks)
{
    ImVec2 mouse = ImGui::GetIO().MousePos;
    int32_t row = snappedRow(input, view, mouse.x);
    const Track* nearest = nullptr;
    float distance = INFINITY;
    for (const Track* track : tracks) {
        float gap = std::fabs(view.y(static_cast<float>(trackValue(track, row))) - mouse.y);
        if (gap < distance) {
            distance = gap;
            nearest = track;
        }
    }
    if (nearest != nullptr) {
        float value = static_cast<float>(trackValue(nearest, row));
        requests.edit({setKeyEdit(nearest->name, row, value)});
    }
}

void CurvePanel::drawKindMenu(PanelRequests& requests)
{
    if (!ImGui::BeginPopup(kMenu)) {
        return;
    }
    ImGui::TextDisabled("%s at %s", menuKey.track.c_str(), formatPosition(menuKey.row).c_str());
    for (int32_t kind = 0; kind < 4; ++kind) {
        if (ImGui::MenuItem(interpolationName(kind))) {
            requests.edit({kindEdit(menuKey.track, menuKey.row, kind)});
        }
    }
    if (ImGui::MenuItem("Delete")) {
        requests.edit({deleteKeyEdit(menuKey.track, menuKey.row)});
    }
    ImGui::EndPopup();
}
