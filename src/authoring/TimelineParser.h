#pragma once

#include "timeline/Track.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// How a key's position is written, so that an edit can write a moved key the same way.
enum class PositionForm { Row, Musical, Marker };

// Where a key stands in the text: its line, the byte columns of its three words and the
// form of its position ("72", "1:0:8", "@build+3:2:12").
struct KeySource {
    int line = 0;
    size_t positionColumn = 0;
    size_t valueColumn = 0;
    size_t kindColumn = 0;
    PositionForm form = PositionForm::Row;
    std::string marker;        // with its @, for the marker form
    bool beatOnly = false;     // "BAR:BEAT", without the row
    bool paddedRow = false;    // the row of the beat written with two digits, "20:1:08"
};

// One track of a timeline text: its name, the line that named it, its keys in row order
// and, beside each key, where the text holds it.
struct SourceTrack {
    std::string name;
    int line = 0;
    std::vector<TrackKey> keys;
    std::vector<KeySource> sources;
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
    void parseKey(const std::vector<std::string>& words, const std::vector<size_t>& columns);
    bool parseBar(const std::string& word, int64_t& bar);
    bool parsePosition(const std::string& word, int32_t& row);
    void fail(const std::string& message);

    std::map<std::string, Constant> constants;
    std::map<std::string, int> trackLines;
    int lineNumber = 0;
};
