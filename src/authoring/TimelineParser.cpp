#include "authoring/TimelineParser.h"

#include "authoring/FileAccess.h"
#include "authoring/TrackText.h"

#include <cctype>
#include <cstdint>

namespace {

constexpr const char* kTrackKeyword = "track";
constexpr char kCommentMark = '#';
constexpr char kConstantMark = '@';
// The demo composes "res/sync/_" + name + ".track" in 259 characters.
constexpr size_t kMaxTrackNameLength = 243;
constexpr int64_t kMaxBar = INT32_MAX / kRowsPerBar;
// The demo's own timeline is about 40 KB; a text this size is a wrong file, not a timeline.
constexpr size_t kMaxTimelineBytes = 16u << 20;
// A wrong file (a binary, a huge line) would otherwise bury the author in messages.
constexpr size_t kMaxErrors = 100;
constexpr size_t kMaxMessageLength = 200;

std::string stripComment(const std::string& line)
{
    std::string content = line.substr(0, line.find(kCommentMark));
    if (!content.empty() && content.back() == '\r') {
        content.pop_back();
    }
    return content;
}

std::vector<std::string> splitWords(const std::string& text, std::vector<size_t>* columns = nullptr)
{
    std::vector<std::string> words;
    size_t at = 0;
    while (true) {
        size_t start = text.find_first_not_of(" \t\r", at);
        if (start == std::string::npos) {
            return words;
        }
        size_t end = text.find_first_of(" \t\r", start);
        words.push_back(text.substr(start, end - start));
        if (columns != nullptr) {
            columns->push_back(start);
        }
        if (end == std::string::npos) {
            return words;
        }
        at = end;
    }
}

std::vector<std::string> splitOn(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::string trim(const std::string& text)
{
    size_t start = text.find_first_not_of(" \t\r");
    if (start == std::string::npos) {
        return "";
    }
    return text.substr(start, text.find_last_not_of(" \t\r") - start + 1);
}

bool isTrackName(const std::string& name)
{
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-') {
            return false;
        }
    }
    return !name.empty();
}

bool isConstantName(const std::string& name)
{
    if (name.size() < 2 || name[0] != kConstantMark || std::isdigit(static_cast<unsigned char>(name[1]))) {
        return false;
    }
    for (size_t i = 1; i < name.size(); ++i) {
        if (!std::isalnum(static_cast<unsigned char>(name[i])) && name[i] != '_') {
            return false;
        }
    }
    return true;
}

KeySource describeKey(const std::string& position, const std::vector<size_t>& columns, int line)
{
    KeySource source;
    source.line = line;
    source.positionColumn = columns[0];
    source.valueColumn = columns[1];
    source.kindColumn = columns[2];
    std::vector<std::string> parts = splitOn(position, ':');
    if (parts.size() == 1) {
        return source;
    }
    source.beatOnly = parts.size() == 2;
    source.paddedRow = parts.size() == 3 && parts[2].size() == 2 && parts[2][0] == '0';
    if (parts[0][0] == kConstantMark) {
        source.form = PositionForm::Marker;
        source.marker = parts[0].substr(0, parts[0].find_first_of("+-"));
    } else {
        source.form = PositionForm::Musical;
    }
    return source;
}

}

bool readTimelineText(const std::string& path, std::string& text, std::string& problem)
{
    return readFileBytes(path, kMaxTimelineBytes, text, problem);
}

bool TimelineParser::parse(const std::string& text)
{
    size_t start = 0;
    while (start < text.size() && errors.size() < kMaxErrors) {
        size_t end = text.find('\n', start);
        ++lineNumber;
        parseLine(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    if (errors.size() >= kMaxErrors) {
        errors.push_back(SourceError{lineNumber, "too many errors; the rest of the text is not read"});
    }
    return errors.empty();
}

void TimelineParser::parseLine(const std::string& line)
{
    std::string content = stripComment(line);
    std::vector<size_t> columns;
    std::vector<std::string> words = splitWords(content, &columns);
    if (words.empty()) {
        return;
    }
    // "@main = 32" defines a constant; "@main:0:0 1 step" is a key placed with one.
    if (words[0][0] == kConstantMark && content.find('=') != std::string::npos) {
        parseConstant(content);
    } else if (words[0] == kTrackKeyword) {
        parseTrackHeader(words);
    } else {
        parseKey(words, columns);
    }
}

void TimelineParser::parseConstant(const std::string& line)
{
    size_t equals = line.find('=');
    std::string name = trim(line.substr(0, equals));
    std::string value = equals == std::string::npos ? "" : trim(line.substr(equals + 1));
    if (equals == std::string::npos || !isConstantName(name) || splitWords(value).size() != 1) {
        fail("a constant is written '@name = BAR', e.g. '@chorus = 32' or '@drop = @chorus+8'");
        return;
    }
    auto previous = constants.find(name);
    if (previous != constants.end()) {
        fail(name + " is already defined on line " + std::to_string(previous->second.line));
        return;
    }
    int64_t bar = 0;
    if (parseBar(value, bar)) {
        constants[name] = Constant{bar, lineNumber};
        markers.push_back(SourceMarker{name.substr(1), bar, lineNumber});
    }
}

void TimelineParser::parseTrackHeader(const std::vector<std::string>& words)
{
    std::string name = words.size() > 1 ? words[1] : "";
    if (words.size() != 2) {
        fail("a track header is 'track NAME'");
    } else if (!isTrackName(name)) {
        fail("track name '" + name + "' may hold only letters, digits, '.', '_' and '-'");
    } else if (name.size() > kMaxTrackNameLength) {
        fail("track name is " + std::to_string(name.size()) + " characters long; the demo loads at most " +
             std::to_string(kMaxTrackNameLength));
    } else if (trackLines.count(name) != 0) {
        fail("track '" + name + "' is already defined on line " + std::to_string(trackLines[name]));
    } else {
        trackLines[name] = lineNumber;
    }
    // Keys below a faulty header still belong to a track, so they are checked as usual.
    tracks.push_back(SourceTrack{name, lineNumber, {}, {}});
}

void TimelineParser::parseKey(const std::vector<std::string>& words, const std::vector<size_t>& columns)
{
    if (tracks.empty()) {
        fail("a key needs a 'track NAME' line above it");
        return;
    }
    if (words.size() != 3) {
        fail("a key is 'POSITION VALUE INTERPOLATION', e.g. '4:0:0 1.5 linear'; found " +
             std::to_string(words.size()) + " words");
        return;
    }
    TrackKey key{0, 0.0f, Step};
    std::string valueError;
    bool valid = parsePosition(words[0], key.row);
    if (!parseValue(words[1], key.value, valueError)) {
        fail(valueError);
        valid = false;
    }
    if (!parseInterpolation(words[2], key.interpolation)) {
        fail("unknown interpolation '" + words[2] + "'; use step, linear, smooth or ramp");
        valid = false;
    }
    std::vector<TrackKey>& keys = tracks.back().keys;
    if (valid && !keys.empty() && key.row <= keys.back().row) {
        fail("row " + std::to_string(key.row) + " (" + formatPosition(key.row) +
             ") is not after the previous key's row " + std::to_string(keys.back().row) + " (" +
             formatPosition(keys.back().row) + "); keys must stand in ascending order, one per row");
        valid = false;
    }
    if (valid) {
        keys.push_back(key);
        tracks.back().sources.push_back(describeKey(words[0], columns, lineNumber));
    }
}

bool TimelineParser::parseBar(const std::string& word, int64_t& bar)
{
    if (word.empty() || word[0] != kConstantMark) {
        if (!parseInteger(word, bar)) {
            fail("'" + word + "' is not a bar number or @constant");
            return false;
        }
    } else {
        size_t sign = word.find_first_of("+-");
        std::string name = word.substr(0, sign);
        int64_t offset = 0;
        if (sign != std::string::npos && (word[sign + 1] == '+' || word[sign + 1] == '-' ||
                                          !parseInteger(word.substr(sign), offset))) {
            fail("'" + word + "' is not @constant, @constant+BARS or @constant-BARS");
            return false;
        }
        auto constant = constants.find(name);
        if (constant == constants.end()) {
            fail("unknown constant " + name + "; define it above with '" + name + " = BAR'");
            return false;
        }
        bar = constant->second.bar + offset;
    }
    if (bar < -kMaxBar - 1 || bar > kMaxBar) {
        fail("bar " + std::to_string(bar) + " lies beyond the rows a track can hold");
        return false;
    }
    return true;
}

bool TimelineParser::parsePosition(const std::string& word, int32_t& row)
{
    std::vector<std::string> parts = splitOn(word, ':');
    int64_t total = 0;
    if (parts.size() == 1) {
        if (!parseInteger(word, total)) {
            fail("'" + word + "' is neither a row nor a bar:beat:row position");
            return false;
        }
    } else if (parts.size() <= 3) {
        int64_t bar = 0;
        int64_t beat = -1;
        int64_t rowInBeat = 0;
        if (!parseBar(parts[0], bar)) {
            return false;
        }
        if (!parseInteger(parts[1], beat) || beat < 0 || beat >= kBeatsPerBar) {
            fail("beat '" + parts[1] + "' in '" + word + "' is not 0, 1, 2 or 3 (beats count from 0)");
            return false;
        }
        bool rowValid = parts.size() == 2 ||
                        (parseInteger(parts[2], rowInBeat) && rowInBeat >= 0 && rowInBeat < kRowsPerBeat);
        if (!rowValid) {
            fail("row '" + parts[2] + "' in '" + word + "' is not 0 to 15 (rows of a beat count from 0)");
            return false;
        }
        total = bar * kRowsPerBar + beat * kRowsPerBeat + rowInBeat;
    } else {
        fail("position '" + word + "' is not BAR:BEAT:ROW");
        return false;
    }
    if (total < INT32_MIN || total > INT32_MAX) {
        fail("row " + std::to_string(total) + " lies beyond the rows a track can hold");
        return false;
    }
    row = static_cast<int32_t>(total);
    return true;
}

void TimelineParser::fail(const std::string& message)
{
    if (message.size() <= kMaxMessageLength) {
        errors.push_back(SourceError{lineNumber, message});
    } else {
        errors.push_back(SourceError{lineNumber, message.substr(0, kMaxMessageLength) + "..."});
    }
}
