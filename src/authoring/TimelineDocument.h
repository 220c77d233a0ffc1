#pragma once

#include "authoring/TimelineEdit.h"

#include <cstddef>
#include <string>
#include <vector>

// A timeline text under edit: the text itself, its parse, and the history of the steps
// applied to it. A step is every edit of one gesture; it is applied whole or not at all,
// and undone whole. Works on a string only, so that a tool writes it where it likes.
class TimelineDocument {
public:
    // Takes the text and starts a new history; false when the text has errors, which
    // then refuse every edit.
    bool load(const std::string& text);
    // False, with the text as it was and the reason in problem, when an edit of the step
    // does not apply or the text has errors. written holds a line for each edit.
    bool apply(const std::vector<TimelineEdit>& step, std::string& problem);
    bool undo(std::string& problem);
    bool redo(std::string& problem);
    bool canUndo() const { return done > 0; }
    bool canRedo() const { return done < history.size(); }

    // The text of the line that holds track's key on row; empty when there is none.
    std::string keyLine(const std::string& track, int32_t row) const;
    // True when every key the step concerns stands on the same line here as in other,
    // so that a step made against other means the same here.
    bool sameKeys(const TimelineDocument& other, const std::vector<TimelineEdit>& step) const;
    // "line 12: unknown interpolation 'stpe'"; empty when the text compiles.
    std::string firstError() const;

    std::string text;
    ParsedTimeline parsed;
    std::vector<SourceError> errors;
    std::vector<std::string> written;

private:
    // The bytes a step replaced: undo puts removed back, redo inserted.
    struct Change {
        size_t offset = 0;
        std::string removed;
        std::string inserted;
    };

    bool parseText();
    bool applyEdit(const TimelineEdit& edit, std::string& problem);
    void replace(size_t offset, size_t length, const std::string& bytes);
    static Change difference(const std::string& before, const std::string& after);

    std::vector<Change> history;
    size_t done = 0;
};
