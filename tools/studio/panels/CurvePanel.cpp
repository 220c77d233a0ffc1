#include "panels/CurvePanel.h"


#include "authoring/TrackText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

using View = CurvePanel::View;

constexpr double kBarsEachSide = 4.0;
constexpr float kMinZoom = 0.25f;
constexpr float kMaxZoom = 16.0f;
constexpr float kWheelZoomStep = 1.25f;
constexpr float kKeyDotRadius = 3.0f;
constexpr float kCurveThickness = 1.0f;
constexpr float kPlayheadThickness = 2.0f;
constexpr float kValueMargin = 0.1f;
constexpr float kMinHeight = 48.0f;
constexpr float kAxisWidth = 48.0f;
constexpr float kLabelGap = 2.0f;
constexpr int kValueLabels = 4;
constexpr ImU32 kBackground = IM_COL32(20, 20, 24, 230);
constexpr ImU32 kBarLine = IM_COL32(70, 70, 80, 255);
constexpr ImU32 kValueLine = IM_COL32(45, 45, 52, 255);
constexpr ImU32 kLabelText = IM_COL32(160, 160, 170, 255);
constexpr ImU32 kPlayhead = IM_COL32(255, 80, 80, 255);
constexpr ImU32 kPalette[] = {IM_COL32(120, 200, 255, 255), IM_COL32(255, 200, 90, 255), IM_COL32(140, 240, 140, 255),
                                IM_COL32(240, 130, 240, 255), IM_COL32(250, 250, 250, 255)};

// One value per pixel column: the curve is drawn through the demo's own
// interpolation, so each segment keeps its kind.
std::vector<float> sampleTrack(const View& view, const Track* track)
{
    std::vector<float> values(static_cast<size_t>(view.size.x) + 1);
    for (size_t px = 0; px < values.size(); ++px) {
        values[px] = static_cast<float>(trackValue(track, view.rowAt(view.origin.x + static_cast<float>(px))));
    }
    return values;
}

void fitValues(View& view, const std::vector<std::vector<float>>& curves)
{
    view.low = INFINITY;
    view.high = -INFINITY;
    for (const std::vector<float>& values : curves) {
        for (float value : values) {
            if (std::isfinite(value)) {
                view.low = std::min(view.low, value);
                view.high = std::max(view.high, value);
            }
        }
    }
    if (!(view.low <= view.high)) {
        view.low = 0.0f;
        view.high = 1.0f;
    }
    float margin = std::max((view.high - view.low) * kValueMargin, kValueMargin);
    view.low -= margin;
    view.high += margin;
}

// Bar lines with their numbers along the top, value lines with theirs down the left.
void drawGrid(ImDrawList* draw, const View& view)
{
    float bottom = view.origin.y + view.size.y;
    draw->AddRectFilled(ImVec2(view.origin.x - kAxisWidth, view.origin.y), ImVec2(view.origin.x + view.size.x, bottom),
                        kBackground);
    for (int i = 0; i <= kValueLabels; ++i) {
        float value = view.low + (view.high - view.low) * static_cast<float>(i) / kValueLabels;
        float py = view.y(value);
        draw->AddLine(ImVec2(view.origin.x, py), ImVec2(view.origin.x + view.size.x, py), kValueLine);
        char label[32];
        std::snprintf(label, sizeof label, "%.3g", static_cast<double>(value));
        float textY = std::clamp(py - ImGui::GetTextLineHeight() / 2.0f, view.origin.y, bottom - ImGui::GetTextLineHeight());
        draw->AddText(ImVec2(view.origin.x - kAxisWidth + kLabelGap, textY), kLabelText, label);
    }
    for (double bar = std::ceil(view.firstRow / kRowsPerBar); bar * kRowsPerBar <= view.lastRow; bar += 1.0) {
        float px = view.x(bar * kRowsPerBar);
        draw->AddLine(ImVec2(px, view.origin.y), ImVec2(px, bottom), kBarLine);
        draw->AddText(ImVec2(px + kLabelGap, view.origin.y), kLabelText, std::to_string(static_cast<long long>(bar)).c_str());
    }
}

void drawCurve(ImDrawList* draw, const View& view, const Track* track, const std::vector<float>& values,
               ImU32 color)
{
    std::vector<ImVec2> points(values.size());
    for (size_t px = 0; px < values.size(); ++px) {
        points[px] = ImVec2(view.origin.x + static_cast<float>(px), view.y(values[px]));
    }
    draw->AddPolyline(points.data(), static_cast<int>(points.size()), color, ImDrawFlags_None, kCurveThickness);
    for (int32_t i = 0; i < track->keyCount; ++i) {
        double row = track->keys[i].row;
        if (row >= view.firstRow && row <= view.lastRow) {
            draw->AddCircleFilled(ImVec2(view.x(row), view.y(track->keys[i].value)), kKeyDotRadius, color);
        }
    }
}

}

void CurvePanel::draw(const PanelInput& input, PanelRequests& requests, const std::vector<std::string>& names)
{
    const double row = input.row;
    TrackStore* store = input.store;
    ImGui::SetNextItemWidth(kAxisWidth * 3.0f);
    ImGui::SliderFloat("zoom", &zoom, kMinZoom, kMaxZoom, "%.2fx", ImGuiSliderFlags_Logarithmic);
    ImGui::SameLine();
    ImGui::Checkbox("music", &showMusic);
    std::vector<const Track*> tracks;
    for (size_t i = 0; store != nullptr && i < names.size(); ++i) {
        int32_t index = findTrack(store, names[i].c_str());
        if (index >= 0) {
            tracks.push_back(store->tracks[index]);
            ImGui::SameLine();
            ImGui::TextColored(ImGui::ColorConvertU32ToFloat4(kPalette[i % IM_ARRAYSIZE(kPalette)]), "%s",
                               names[i].c_str());
        }
    }
    ImVec2 size = ImGui::GetContentRegionAvail();
    const float lanesHeight = showMusic ? music.height(input) : 0.0f;
    // The lanes come after the curves and one item's spacing.
    size.y = std::max(size.y - lanesHeight - (showMusic ? ImGui::GetStyle().ItemSpacing.y : 0.0f), kMinHeight);
    size.x = std::max(size.x - kAxisWidth, 1.0f);
    double span = kBarsEachSide * kRowsPerBar / zoom;
    ImVec2 origin = ImGui::GetCursorScreenPos();
    View view{ImVec2(origin.x + kAxisWidth, origin.y), size, row - span, row + span, 0.0f, 1.0f};
    ImGui::InvisibleButton("curves", ImVec2(size.x + kAxisWidth, size.y));
    if (ImGui::IsItemHovered() && ImGui::GetIO().MouseWheel != 0.0f) {
        zoom = std::clamp(zoom * std::pow(kWheelZoomStep, ImGui::GetIO().MouseWheel), kMinZoom, kMaxZoom);
    }
    std::vector<std::vector<float>> curves;
    for (const Track* track : tracks) {
        curves.push_back(sampleTrack(view, track));
    }
    fitValues(view, curves);
    ImDrawList* draw = ImGui::GetWindowDrawList();
    drawGrid(draw, view);
    for (size_t i = 0; i < tracks.size(); ++i) {
        drawCurve(draw, view, tracks[i], curves[i], kPalette[i % IM_ARRAYSIZE(kPalette)]);
    }
    draw->AddLine(ImVec2(view.x(row), view.origin.y), ImVec2(view.x(row), view.origin.y + size.y), kPlayhead, kPlayheadThickness);
    edit(input, requests, view, tracks);
    if (showMusic) {
        music.draw(input, ImVec2(view.origin.x, ImGui::GetCursorScreenPos().y), size.x, view.firstRow, view.lastRow);
        ImGui::Dummy(ImVec2(size.x, lanesHeight));
    }
}
