#include "ErrorPanel.h"

#include "Studio.h"

#include <imgui.h>

namespace {

const ImVec4 kCurrentError(1.0f, 0.45f, 0.4f, 1.0f);
const ImVec4 kPastError(0.85f, 0.7f, 0.6f, 1.0f);

}

void drawErrorPanel(Studio& studio)
{
    for (const std::string& error : studio.timeline.errors) {
        ImGui::TextColored(kCurrentError, "%s", error.c_str());
    }
    if (!studio.timeline.errors.empty()) {
        ImGui::Separator();
    }
    std::vector<std::string>& errors = studio.log.errors;
    if (!errors.empty() && ImGui::SmallButton("Clear")) {
        errors.clear();
    }
    for (auto it = errors.rbegin(); it != errors.rend(); ++it) {
        ImGui::TextColored(kPastError, "%s", it->c_str());
    }
}
