#include "authoring/KeyLineText.h"

#include "authoring/TrackText.h"

#include <algorithm>

namespace {

constexpr char kCommentMark = '#';
constexpr const char* kBlanks = " \t\r";

int64_t floorDivide(int64_t value, int64_t divisor)
{
    int64_t quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

const SourceMarker* findMarker(const std::vector<SourceMarker>& markers, const std::string& name, int limit)
{
    for (const SourceMarker& marker : markers) {
        if ("@" + marker.name == name && marker.line < limit) {
            return &marker;
        }
    }
    return nullptr;
}

const SourceMarker* nearestMarker(const std::vector<SourceMarker>& markers, int64_t bar, int limit)
{
    const SourceMarker* best = nullptr;
    for (const SourceMarker& marker : markers) {
        if (marker.line < limit && marker.bar <= bar && (best == nullptr || marker.bar > best->bar)) {
            best = &marker;
        }
    }
    return best;
}

std::string barOffset(const SourceMarker& marker, int64_t bar)
{
    int64_t offset = bar - marker.bar;
    std::string text = "@" + marker.name;
    if (offset > 0) {
        text += "+";
    }
    return offset == 0 ? text : text + std::to_string(offset);
}

// Appends word so that it starts at column when the text so far leaves room for it.
void placeWord(std::string& out, const std::string& gap, size_t column, const std::string& word)
{
    if (gap.find('\t') != std::string::npos) {
        out += gap;
    } else {
        out.append(column > out.size() ? column - out.size() : 1, ' ');
    }
    out += word;
}

size_t wordEnd(const std::string& line, size_t column)
{
    size_t end = line.find_first_of(kBlanks, column);
    size_t comment = line.find(kCommentMark, column);
    return std::min(std::min(end, comment), line.size());
}

}

std::string writePosition(int32_t row, const KeySource& source, const std::vector<SourceMarker>& markers,
                          int limit, bool keepMarker)
{
    if (source.form == PositionForm::Row) {
        return std::to_string(row);
    }
    int64_t bar = floorDivide(row, kRowsPerBar);
    int64_t inBar = static_cast<int64_t>(row) - bar * kRowsPerBar;
    int64_t beat = inBar / kRowsPerBeat;
    int64_t rowInBeat = inBar % kRowsPerBeat;
    std::string barText = std::to_string(bar);
    if (source.form == PositionForm::Marker) {
        const SourceMarker* own = findMarker(markers, source.marker, limit);
        const SourceMarker* marker = keepMarker && own != nullptr && own->bar <= bar ? own : nearestMarker(markers, bar, limit);
        marker = marker != nullptr ? marker : own;
        if (marker != nullptr) {
            barText = barOffset(*marker, bar);
        }
    }
    std::string text = barText + ":" + std::to_string(beat);
    if (source.beatOnly && rowInBeat == 0) {
        return text;
    }
    return text + ":" + (source.paddedRow && rowInBeat < 10 ? "0" : "") + std::to_string(rowInBeat);
}

std::string rewriteKeyLine(const std::string& line, const KeySource& source, const std::string words[3])
{
    const size_t columns[3] = {source.positionColumn, source.valueColumn, source.kindColumn};
    size_t ends[3];
    for (int i = 0; i < 3; ++i) {
        ends[i] = wordEnd(line, columns[i]);
    }
    std::string out = line.substr(0, columns[0]);
    out += words[0].empty() ? line.substr(columns[0], ends[0] - columns[0]) : words[0];
    for (int i = 1; i < 3; ++i) {
        std::string word = words[i].empty() ? line.substr(columns[i], ends[i] - columns[i]) : words[i];
        placeWord(out, line.substr(ends[i - 1], columns[i] - ends[i - 1]), columns[i], word);
    }
    size_t comment = line.find(kCommentMark, ends[2]);
    if (comment == std::string::npos) {
        return out + line.substr(ends[2]);
    }
    placeWord(out, line.substr(ends[2], comment - ends[2]), comment, line.substr(comment));
    return out;
}

std::string layoutKeyLine(const std::string& templateLine, const KeySource& source, const std::string words[3])
{
    const size_t columns[3] = {source.positionColumn, source.valueColumn, source.kindColumn};
    std::string out = templateLine.substr(0, std::min(columns[0], templateLine.size())) + words[0];
    for (int i = 1; i < 3; ++i) {
        size_t end = std::min(wordEnd(templateLine, columns[i - 1]), columns[i]);
        placeWord(out, templateLine.substr(end, columns[i] - end), columns[i], words[i]);
    }
    return out;
}
