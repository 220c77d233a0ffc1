#include "TransportPanel.h"

#include "Position.h"
#include "Sections.h"
#include "Studio.h"

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

void drawReadout(Studio& studio)
{
    Transport& transport = studio.transport;
    Section section = sectionAt(studio.timeline.markers, transport.row, transport.lengthRows());
    ImGui::Text("%s   %.3f s   %s", formatClock(transport.row).c_str(), transport.seconds(),
                section.name.empty() ? "-" : section.name.c_str());
    double fps = studio.frameMs > 0.0 ? kMillisecondsPerSecond / studio.frameMs : 0.0;
    ImGui::Text("frame %.1f ms   %.1f fps   overlay %.2f ms", studio.frameMs, fps, studio.overlayMs);
    if (transport.looping) {
        ImGui::Text("loop %s to %s", formatClock(transport.loopStart).c_str(), formatClock(transport.loopEnd).c_str());
    } else {
        ImGui::TextUnformatted("no loop");
    }
    // The edit history, and whether a save from outside has started it again.
    const TimelineEditor& editor = studio.editor;
    ImGui::SameLine();
    ImGui::Text("   edits: %d written%s%s", editor.steps, editor.historyNote.empty() ? "" : "; ",
                editor.historyNote.c_str());
}

void drawButtons(Studio& studio)
{
    if (ImGui::Button(studio.transport.paused ? "Play" : "Pause")) {
        studio.press(KeyPress{SDLK_SPACE, false, false, false});
    }
    ImGui::SameLine();
    if (ImGui::Button("Start")) {
        studio.press(KeyPress{SDLK_HOME, false, false, false});
    }
    ImGui::SameLine();
    if (ImGui::Button("- bar")) {
        studio.press(KeyPress{SDLK_LEFT, true, false, false});
    }
    ImGui::SameLine();
    if (ImGui::Button("+ bar")) {
        studio.press(KeyPress{SDLK_RIGHT, true, false, false});
    }
    ImGui::SameLine();
    if (ImGui::Button(studio.transport.looping ? "Loop off" : "Loop section")) {
        studio.press(KeyPress{SDLK_l, false, false, false});
    }
    ImGui::SameLine();
    if (ImGui::Button("Write tracks")) {
        studio.press(KeyPress{SDLK_s, false, true, false});
    }
}

void drawStrip(Studio& studio)
{
    Transport& transport = studio.transport;
    double length = std::max(transport.lengthRows(), 1.0);
    ImVec2 origin = ImGui::GetCursorScreenPos();
    ImVec2 size(std::max(ImGui::GetContentRegionAvail().x, 1.0f), kStripHeight);
    ImGui::InvisibleButton("strip", size);
    if (ImGui::IsItemActive()) {
        float fraction = std::clamp((ImGui::GetIO().MousePos.x - origin.x) / size.x, 0.0f, 1.0f);
        transport.seek(std::floor(fraction * length));
    }
    auto x = [&](double row) { return origin.x + static_cast<float>(row / length) * size.x; };
    ImDrawList* draw = ImGui::GetWindowDrawList();
    draw->AddRectFilled(origin, ImVec2(origin.x + size.x, origin.y + size.y), kStripBackground);
    if (transport.looping) {
        draw->AddRectFilled(ImVec2(x(transport.loopStart), origin.y), ImVec2(x(transport.loopEnd), origin.y + size.y),
                            kLoopFill);
    }
    // A name that would run into the previous one is left out; its line still shows.
    float labelsEnd = -1.0f;
    for (const SourceMarker& marker : studio.timeline.markers) {
        float px = x(static_cast<double>(marker.bar * kRowsPerBar));
        draw->AddLine(ImVec2(px, origin.y), ImVec2(px, origin.y + size.y), kMarkerLine);
        if (px >= labelsEnd) {
            draw->AddText(ImVec2(px + kLabelGap, origin.y), kMarkerText, marker.name.c_str());
            labelsEnd = px + 2.0f * kLabelGap + ImGui::CalcTextSize(marker.name.c_str()).x;
        }
    }
    float head = x(transport.row);
    draw->AddLine(ImVec2(head, origin.y), ImVec2(head, origin.y + size.y), kPlayheadLine, kPlayheadThickness);
}

}

void drawTransportPanel(Studio& studio)
{
    drawReadout(studio);
    drawButtons(studio);
    drawStrip(studio);
}
