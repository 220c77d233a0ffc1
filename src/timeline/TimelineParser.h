#pragma once

#include "timeline/Track.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// One track of a timeline text: its name, the line that named it, its keys in row order.
struct SourceTrack {
    std::string name;
    int line = 0;
    std::vector<TrackKey> keys;
};

// A named bar ("@main = 16"), in the order the text defines them.
struct SourceMarker {
    std::string name;  // without the @
    int64_t bar = 0;
    int line = 0;
};

struct SourceError {
    int line = 0;
    std::string message;
};

// The whole timeline file as it lies on disk; false, with the reason in problem, when it
// cannot be read or is larger than any timeline an author writes.
bool readTimelineText(const std::string& path, std::string& text, std::string& problem);

// Reads the timeline text (see docs/synctool.md): track headers, key lines with plain
// rows or bar:beat:row positions, named bar constants and comments. Every problem is
// collected with its line, so an author sees them all at once.
class TimelineParser {
public:
    bool parse(const std::string& text);

    std::vector<SourceTrack> tracks;
    std::vector<SourceMarker> markers;
    std::vector<SourceError> errors;

private:
    struct Constant {
        int64_t bar = 0;
        int line = 0;
    };

    void parseLine(const std::string& line);
    void parseConstant(const std::string& line);
    void parseTrackHeader(const std::vector<std::string>& words);
    void parseKey(const std::vector<std::string>& words);
    bool parseBar(const std::string& word, int64_t& bar);
    bool parsePosition(const std::string& word, int32_t& row);
    void fail(const std::string& message);

    std::map<std::string, Constant> constants;
    std::map<std::string, int> trackLines;
    int lineNumber = 0;
};
