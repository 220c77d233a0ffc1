#include "music/LaneChoice.h"

#include <algorithm>

namespace {

// The downbeat and the backbeat: what most cuts and flashes land on.
const std::vector<std::string> kFirstChoice = {"kick", "snare"};

}

void LaneChoice::reset(const std::vector<std::string>& lanes)
{
    allLanes = lanes;
    chosenLanes.clear();
    for (const std::string& lane : lanes) {
        if (std::find(kFirstChoice.begin(), kFirstChoice.end(), lane) != kFirstChoice.end()) {
            chosenLanes.push_back(lane);
        }
    }
    if (chosenLanes.empty() && !lanes.empty()) {
        chosenLanes.push_back(lanes.front());
    }
}

bool LaneChoice::chosen(const std::string& lane) const
{
    return std::find(chosenLanes.begin(), chosenLanes.end(), lane) != chosenLanes.end();
}

void LaneChoice::choose(const std::string& lane, bool on)
{
    if (on == chosen(lane)) {
        return;
    }
    std::vector<std::string> next;
    for (const std::string& name : allLanes) {
        if (name == lane ? on : chosen(name)) {
            next.push_back(name);
        }
    }
    chosenLanes = next;
}
