#include "panels/TransportPanel.h"

#include "edit/Position.h"
#include "edit/Sections.h"
#include "panels/PanelInput.h"

#include "authoring/TrackText.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr float kStripHeight = 28.0f;
constexpr ImU32 kStripBackground = IM_COL32(30, 30, 36, 230);
constexpr ImU32 kMarkerLine = IM_COL32(160, 160, 170, 255);
constexpr ImU32 kMarkerText = IM_COL32(200, 200, 210, 255);
constexpr ImU32 kLoopFill = IM_COL32(80, 140, 255, 90);
constexpr ImU32 kPlayheadLine = IM_COL32(255, 80, 80, 255);
constexpr double kMillisecondsPerSecond = 1000.0;
constexpr float kLabelGap = 2.0f;
constexpr float kPlayheadThickness = 2.0f;

void drawReadout(const PanelInput& input)
{
    Section section = sectionAt(*input.markers, input.row, input.lengthRows);
    ImGui::Text("%s   %.3f s   %s", formatClock(input.row).c_str(), input.seconds,
                section.name.empty() ? "-" : section.name.c_str());
    double fps = input.frameMs > 0.0 ? kMillisecondsPerSecond / input.frameMs : 0.0;
    ImGui::Text("frame %.1f ms   %.1f fps   overlay %.2f ms", input.frameMs, fps, input.overlayMs);
    if (input.looping) {
        ImGui::Text("loop %s to %s", formatClock(input.loopStart).c_str(), formatClock(input.loopEnd).c_str());
    } else {
        ImGui::TextUnformatted("no loop");
    }
    // The edit history, and whether a save from outside has started it again.
    const std::string& note = *input.historyNote;
    ImGui::SameLine();
    ImGui::Text("   edits: %d written%s%s", input.editSteps, note.empty() ? "" : "; ", note.c_str());
}

void drawButtons(const PanelInput& input, PanelRequests& requests)
{
    if (ImGui::Button(input.paused ? "Play" : "Pause")) {
        requests.press(KeyPress{SDLK_SPACE, false, false, false});
    }
    ImGui::SameLine();
    if (ImGui::Button("Start")) {
        requests.press(KeyPress{SDLK_HOME, false, false, false});
    }
    ImGui::SameLine();
    if (ImGui::Button("- bar")) {
        requests.press(KeyPress{SDLK_LEFT, true, false, false});
    }
    ImGui::SameLine();
    if (ImGui::Button("+ bar")) {
        requests.press(KeyPress{SDLK_RIGHT, true, false, false});
    }
    ImGui::SameLine();
    if (ImGui::Button(input.looping ? "Loop off" : "Loop section")) {
        requests.press(KeyPress{SDLK_l, false, false, false});
    }
    ImGui::SameLine();
    if (ImGui::Button("Write tracks")) {
        requests.press(KeyPress{SDLK_s, false, true, false});
    }
}

void drawStrip(const PanelInput& input, PanelRequests& requests)
{
    double length = std::max(input.lengthRows, 1.0);
    ImVec2 origin = ImGui::GetCursorScreenPos();
    ImVec2 size(std::max(ImGui::GetContentRegionAvail().x, 1.0f), kStripHeight);
    ImGui::InvisibleButton("strip", size);
    if (ImGui::IsItemActive()) {
        float fraction = std::clamp((ImGui::GetIO().MousePos.x - origin.x) / size.x, 0.0f, 1.0f);
        requests.seek(std::floor(fraction * length));
    }
    auto x = [&](double row) { return origin.x + static_cast<float>(row / length) * size.x; };
    ImDrawList* draw = ImGui::GetWindowDrawList();
    draw->AddRectFilled(origin, ImVec2(origin.x + size.x, origin.y + size.y), kStripBackground);
    if (input.looping) {
        draw->AddRectFilled(ImVec2(x(input.loopStart), origin.y), ImVec2(x(input.loopEnd), origin.y + size.y),
                            kLoopFill);
    }
    // A name that would run into the previous one is left out; its line still shows.
    float labelsEnd = -1.0f;
    for (const SourceMarker& marker : *input.markers) {
        float px = x(static_cast<double>(marker.bar * kRowsPerBar));
        draw->AddLine(ImVec2(px, origin.y), ImVec2(px, origin.y + size.y), kMarkerLine);
        if (px >= labelsEnd) {
            draw->AddText(ImVec2(px + kLabelGap, origin.y), kMarkerText, marker.name.c_str());
            labelsEnd = px + 2.0f * kLabelGap + ImGui::CalcTextSize(marker.name.c_str()).x;
        }
    }
    float head = x(input.row);
    draw->AddLine(ImVec2(head, origin.y), ImVec2(head, origin.y + size.y), kPlayheadLine, kPlayheadThickness);
}

}

void drawTransportPanel(const PanelInput& input, PanelRequests& requests)
{
    drawReadout(input);
    drawButtons(input, requests);
    drawStrip(input, requests);
}
