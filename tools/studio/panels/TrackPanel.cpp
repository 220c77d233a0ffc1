#include "panels/TrackPanel.h"

#include <imgui.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

// The groups in the order a frame uses them; a name of none of them goes under Other.
constexpr const char* kGroups[] = {"Camera", "Focus", "Grid", "Ring", "Cube", "Flakes", "Needles", "FX", "Other"};
constexpr const char* kOtherGroup = "Other";

// "Ring1.Progress" and "Ring2.Rotation" are both Ring: a group is the start of the
// name's first part, followed by nothing but digits.
std::string groupOf(const char* name)
{
    const char* dot = std::strchr(name, '.');
    std::string prefix = dot != nullptr ? std::string(name, dot) : std::string(name);
    for (const char* group : kGroups) {
        size_t length = std::strlen(group);
        bool digitsOnly = prefix.find_first_not_of("0123456789", length) == std::string::npos;
        if (prefix.compare(0, length, group) == 0 && prefix.size() >= length && digitsOnly) {
            return group;
        }
    }
    return kOtherGroup;
}

bool containsIgnoringCase(const char* text, const char* part)
{
    std::string haystack = text;
    std::string needle = part;
    auto lower = [](std::string& s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    };
    lower(haystack);
    lower(needle);
    return haystack.find(needle) != std::string::npos;
}

}

void TrackPanel::draw(TrackStore* store, double row)
{
    ImGui::InputTextWithHint("##filter", "filter by name", filter, sizeof filter);
    if (store == nullptr) {
        return;
    }
    std::vector<const Track*> tracks;
    for (int32_t i = 0; i < store->trackCount; ++i) {
        if (containsIgnoringCase(store->tracks[i]->name, filter)) {
            tracks.push_back(store->tracks[i]);
        }
    }
    std::sort(tracks.begin(), tracks.end(),
              [](const Track* a, const Track* b) { return std::strcmp(a->name, b->name) < 0; });
    filtered.clear();
    for (const Track* track : tracks) {
        filtered.push_back(track->name);
    }
    ImGui::BeginChild("tracks");
    for (const char* group : kGroups) {
        drawGroup(group, tracks, row);
    }
    ImGui::EndChild();
}

void TrackPanel::drawGroup(const char* group, const std::vector<const Track*>& tracks, double row)
{
    std::vector<const Track*> members;
    for (const Track* track : tracks) {
        if (groupOf(track->name) == group) {
            members.push_back(track);
        }
    }
    if (members.empty() || !ImGui::CollapsingHeader(group, ImGuiTreeNodeFlags_DefaultOpen)) {
        return;
    }
    for (const Track* track : members) {
        bool isSelected = std::find(selected.begin(), selected.end(), track->name) != selected.end();
        char label[320];
        // The value changes every frame; the name after ## keeps the item the same to ImGui.
        std::snprintf(label, sizeof label, "%-28s %10.4f##%s", track->name, trackValue(track, row), track->name);
        if (ImGui::Selectable(label, isSelected)) {
            toggle(track->name);
        }
    }
}

void TrackPanel::toggle(const std::string& name)
{
    auto found = std::find(selected.begin(), selected.end(), name);
    if (found != selected.end()) {
        selected.erase(found);
    } else {
        selected.push_back(name);
    }
}
