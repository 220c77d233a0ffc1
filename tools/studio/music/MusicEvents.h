#pragma once

#include <string>
#include <vector>

// The score's events as musicgen --events writes them beside the music: where each
// drum hit, note onset and riser start falls on the timeline, by lane.
struct MusicEvent {
    double row = 0.0;
    std::string lane;
    std::string note;  // empty for drums and risers
    float velocity = 0.0f;
    // The lane's place in lanes(), so that drawing needs no name lookups.
    size_t laneIndex = 0;
};

// What jumps to events take for "any lane".
constexpr const char* kAnyLane = "any";

class MusicEvents {
public:
    // Reads the file's text; false with the first bad line in error. Lines may come in
    // any order: they are kept sorted by row.
    bool parse(const std::string& text, std::string& error);
    // The events file beside the music: NAME.events for NAME.mp3. False with why in
    // error when it is missing or bad; there are then no events, and loaded() says so.
    bool load(const std::string& musicPath, std::string& error);

    bool loaded() const { return !path.empty(); }
    // The lanes in the order they first appear.
    const std::vector<std::string>& lanes() const { return laneNames; }
    const std::vector<MusicEvent>& all() const { return events; }

    // The first event of lane (or of any lane) after row (direction 1) or before it
    // (-1); false when there is none.
    bool step(const std::string& lane, double row, int direction, double& found) const;
    // The same over several lanes.
    bool step(const std::vector<std::string>& lanes, double row, int direction, double& found) const;
    // The event of those lanes nearest the row, the earlier one on a tie.
    bool nearest(const std::vector<std::string>& lanes, double row, double& found) const;
    // Events found in the audio rather than read from a score: rows without notes.
    void addLane(const std::string& lane, const std::vector<double>& rows);

    std::string path;

private:
    void sortAndIndex();

    std::vector<MusicEvent> events;
    std::vector<std::string> laneNames;
};

// "res/audio/melody.events" for "res/audio/melody.mp3".
std::string eventsPathFor(const std::string& musicPath);
