#pragma once

#include <string>
#include <vector>

// The lanes of the music the author has chosen: the dope sheet marks their events,
// and the jumps and snaps go to them.
class LaneChoice {
public:
    // The kick and the snare where the music has them, else its first lane.
    void reset(const std::vector<std::string>& lanes);
    bool chosen(const std::string& lane) const;
    void choose(const std::string& lane, bool on);
    // In the order of the music's lanes.
    const std::vector<std::string>& names() const { return chosenLanes; }

private:
    std::vector<std::string> allLanes;
    std::vector<std::string> chosenLanes;
};
