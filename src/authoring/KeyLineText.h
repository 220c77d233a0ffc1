#pragma once

#include "authoring/TimelineParser.h"

#include <cstdint>
#include <string>

// The words of a key line as an edit writes them: in the form and the columns the
// author chose, so that a diff of the text shows only what the edit changed.

// The position of row in the form of source: a plain row stays a row, BAR:BEAT:ROW stays
// musical, and a marker form is written from a marker defined above line limit. With
// keepMarker the key's own marker is kept while it lies at or before row; otherwise, and
// when it does not, the nearest such marker at or before row is taken.
std::string writePosition(int32_t row, const KeySource& source, const std::vector<SourceMarker>& markers,
                          int limit, bool keepMarker);

// The key line with its words replaced by words (an empty word keeps the old one). The
// indentation and the comment stay; each later word keeps its column while the line
// leaves room for it, and gaps holding tabs are kept as they are.
std::string rewriteKeyLine(const std::string& line, const KeySource& source, const std::string words[3]);

// A new key line laid out as the template line is: its indentation and the columns of
// its words, without its comment.
std::string layoutKeyLine(const std::string& templateLine, const KeySource& source, const std::string words[3]);
