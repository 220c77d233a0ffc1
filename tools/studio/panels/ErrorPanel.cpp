#include "panels/ErrorPanel.h"

#include "panels/PanelInput.h"

#include <imgui.h>

namespace {

const ImVec4 kCurrentError(1.0f, 0.45f, 0.4f, 1.0f);
const ImVec4 kPastError(0.85f, 0.7f, 0.6f, 1.0f);

}

void drawErrorPanel(const PanelInput& input, PanelRequests& requests)
{
    for (const std::string& error : *input.timelineErrors) {
        ImGui::TextColored(kCurrentError, "%s", error.c_str());
    }
    if (!input.timelineErrors->empty()) {
        ImGui::Separator();
    }
    const std::vector<std::string>& errors = *input.loggedErrors;
    if (!errors.empty() && ImGui::SmallButton("Clear")) {
        requests.clearErrors();
        return;
    }
    for (auto it = errors.rbegin(); it != errors.rend(); ++it) {
        ImGui::TextColored(kPastError, "%s", it->c_str());
    }
}
