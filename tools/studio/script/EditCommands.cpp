#include "script/EditCommands.h"

#include "edit/Position.h"
#include "app/Studio.h"

#include "authoring/TrackText.h"

#include <sstream>
#include <vector>

namespace {

constexpr const char* kEdit = "edit";
constexpr const char* kUndo = "undo";
constexpr const char* kRedo = "redo";
constexpr const char* kSelect = "select";

std::vector<std::string> wordsOf(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

// How many words each edit takes after "edit ACTION": the fewest and the most.
bool wordCountFits(const std::string& action, size_t count)
{
    if (action == "set") {
        return count == 3 || count == 4;
    }
    return (action == "move" && count == 3) || (action == "delete" && count == 2) || (action == "kind" && count == 3);
}

bool checkEdit(const std::vector<std::string>& words, std::string& problem)
{
    if (words.size() < 2 || !wordCountFits(words[1], words.size() - 2)) {
        problem = "edit wants set TRACK POS VALUE [KIND], move TRACK POS NEWPOS, delete TRACK POS or kind TRACK POS KIND";
        return false;
    }
    float value = 0.0f;
    int32_t kind = 0;
    if (words[1] == "set" && !parseValue(words[4], value, problem)) {
        return false;
    }
    const std::string* kindWord = words[1] == "set" && words.size() == 6 ? &words[5]
                                  : words[1] == "kind"                   ? &words[4]
                                                                         : nullptr;
    if (kindWord != nullptr && !parseInterpolation(*kindWord, kind)) {
        problem = "unknown kind '" + *kindWord + "'; use step, linear, smooth or ramp";
        return false;
    }
    return true;
}

// "@build+3:2:12" and "@main-1:3:0" as the timeline writes them, besides the studio's own forms.
bool parseEditPosition(const std::string& text, const std::vector<SourceMarker>& markers, int32_t& row,
                       std::string& error)
{
    size_t sign = text.find_first_of("+-");
    size_t colon = text.find(':');
    double whole = 0.0;
    if (text.empty() || text[0] != '@' || (sign == std::string::npos && colon == std::string::npos)) {
        if (!parseStudioPosition(text, markers, whole, error)) {
            return false;
        }
        row = static_cast<int32_t>(whole);
        return true;
    }
    size_t nameEnd = std::min(sign, colon);
    int64_t offset = 0;
    std::string offsetText = sign < colon ? text.substr(sign, colon - sign) : "";
    if (!parseStudioPosition(text.substr(0, nameEnd), markers, whole, error) ||
        (!offsetText.empty() && !parseInteger(offsetText, offset))) {
        error = error.empty() ? "'" + text + "' is not @marker+BARS:BEAT:ROW" : error;
        return false;
    }
    double within = 0.0;
    std::string rest = colon == std::string::npos ? "0" : "0" + text.substr(colon);
    if (!parseStudioPosition(rest, markers, within, error)) {
        error = "'" + text + "' is not @marker+BARS:BEAT:ROW";
        return false;
    }
    row = static_cast<int32_t>(whole + within + static_cast<double>(offset * kRowsPerBar));
    return true;
}

bool buildEdit(Studio& studio, const std::vector<std::string>& words, TimelineEdit& edit, std::string& error)
{
    const std::vector<SourceMarker>& markers = studio.editor.document.parsed.markers;
    const std::string& action = words[1];
    edit.action = action == "set" ? EditAction::Set : action == "move" ? EditAction::Move
                  : action == "delete" ? EditAction::Delete : EditAction::Kind;
    edit.track = words[2];
    if (!parseEditPosition(words[3], markers, edit.row, error) ||
        (action == "move" && !parseEditPosition(words[4], markers, edit.newRow, error))) {
        return false;
    }
    edit.hasValue = action == "set" && parseValue(words[4], edit.value, error);
    const std::string kindWord = action == "kind" ? words[4] : action == "set" && words.size() == 6 ? words[5] : "";
    edit.hasInterpolation = !kindWord.empty() && parseInterpolation(kindWord, edit.interpolation);
    return true;
}

}

bool isEditCommand(const std::string& name)
{
    return name == kEdit || name == kUndo || name == kRedo || name == kSelect;
}

bool checkEditCommand(const std::string& command, std::string& problem)
{
    std::vector<std::string> words = wordsOf(command);
    if (words[0] == kEdit) {
        return checkEdit(words, problem);
    }
    if (words[0] == kSelect) {
        problem = "select wants one or more track names";
        return words.size() > 1;
    }
    problem = words[0] + " takes no argument";
    return words.size() == 1;
}

bool runEditCommand(Studio& studio, const std::string& command, std::string& result)
{
    std::vector<std::string> words = wordsOf(command);
    if (words[0] == kSelect) {
        studio.overlay.selectTracks(std::vector<std::string>(words.begin() + 1, words.end()));
        result = "selected " + std::to_string(words.size() - 1) + " tracks";
        return true;
    }
    if (words[0] == kUndo) {
        return studio.editor.undo(result);
    }
    if (words[0] == kRedo) {
        return studio.editor.redo(result);
    }
    TimelineEdit edit;
    std::string error;
    if (!buildEdit(studio, words, edit, error)) {
        result = "refused: " + error;
        return false;
    }
    return studio.editor.apply({edit}, result);
}
