#include "script/Script.h"

#include "script/EditCommands.h"
#include "app/Keys.h"
#include "edit/Position.h"
#include "app/Studio.h"

#include "authoring/FileAccess.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

namespace {

// A day: longer waits are typing mistakes, and the clock's arithmetic must not overflow.
constexpr double kMaxWaitSeconds = 86400.0;
// A script of a million short lines fits; a larger file is not a script.
constexpr size_t kMaxScriptBytes = 16u << 20;

const std::map<std::string, Script::Command> kCommands = {
    {"wait", Script::Command::Wait}, {"seek", Script::Command::Seek},       {"pause", Script::Command::Pause},
    {"play", Script::Command::Play}, {"key", Script::Command::Key},         {"overlay", Script::Command::Overlay},
    {"shot", Script::Command::Shot}, {"quit", Script::Command::Quit},       {"next", Script::Command::Next},
    {"previous", Script::Command::Previous},
};

bool needsArgument(Script::Command command)
{
    return command != Script::Command::Pause && command != Script::Command::Play &&
           command != Script::Command::Quit;
}

// Checks what can be checked before the studio runs; positions wait for the timeline.
bool checkArgument(Script::Step& step, std::string& problem)
{
    KeyPress key;
    char* end = nullptr;
    switch (step.command) {
    case Script::Command::Wait:
        step.seconds = std::strtod(step.argument.c_str(), &end);
        problem = "wait wants 0 to " + std::to_string(static_cast<int>(kMaxWaitSeconds)) + " seconds, not '" +
                  step.argument + "'";
        // Also keeps NaN and infinities away from the clock's duration arithmetic.
        return *end == '\0' && step.seconds >= 0.0 && step.seconds <= kMaxWaitSeconds;
    case Script::Command::Seek:
        problem = "seek wants a bar, BAR:BEAT:ROW or @name, not '" + step.argument + "'";
        return isPositionForm(step.argument);
    case Script::Command::Key:
        problem = "unknown key '" + step.argument + "'";
        return parseKeyName(step.argument, key);
    case Script::Command::Overlay:
        problem = "overlay wants on or off";
        return step.argument == "on" || step.argument == "off";
    case Script::Command::Next:
    case Script::Command::Previous:
        problem = "next and previous want one lane of the music's events, or any";
        return step.argument.find_first_of(" \t") == std::string::npos;
    default:
        return true;
    }
}

bool parseStep(const std::string& line, Script::Step& step, std::string& problem)
{
    std::istringstream words(line);
    std::string name;
    words >> name;
    std::getline(words >> std::ws, step.argument);
    while (!step.argument.empty() && (step.argument.back() == ' ' || step.argument.back() == '\r')) {
        step.argument.pop_back();
    }
    if (isEditCommand(name)) {
        step.command = Script::Command::Edit;
        return checkEditCommand(line, problem);
    }
    auto command = kCommands.find(name);
    if (command == kCommands.end()) {
        problem = "unknown command '" + name + "'";
        return false;
    }
    step.command = command->second;
    if (needsArgument(step.command) == step.argument.empty()) {
        problem = name + (step.argument.empty() ? " needs an argument" : " takes no argument");
        return false;
    }
    return checkArgument(step, problem);
}

}

bool Script::load(const std::string& path, std::string& error)
{
    std::string text;
    std::string problem;
    if (!readFileBytes(path, kMaxScriptBytes, text, problem)) {
        error = "cannot read the script " + path + ": " + problem;
        return false;
    }
    return parse(text, path, error);
}

bool Script::parse(const std::string& text, const std::string& name, std::string& error)
{
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::string content = line.substr(0, line.find('#'));
        if (content.find_first_not_of(" \t\r") == std::string::npos) {
            continue;
        }
        Step step;
        std::string problem;
        if (!parseStep(content, step, problem)) {
            error = name + ":" + std::to_string(number) + ": " + problem;
            return false;
        }
        step.line = number;
        step.text = content.substr(content.find_first_not_of(" \t"));
        steps.push_back(step);
    }
    // A script always ends the run, whether or not it says quit.
    steps.push_back(Step{Command::Quit, "", 0.0, 0, "quit"});
    return true;
}

void Script::update(Studio& studio)
{
    while (next < steps.size() && !studio.quitRequested) {
        if (waiting) {
            if (!stepDone(studio)) {
                return;
            }
            waiting = false;
            report(studio, steps[next]);
            ++next;
            continue;
        }
        waiting = startStep(studio, steps[next]);
        if (!waiting) {
            report(studio, steps[next]);
            ++next;
        }
    }
}

// Returns true when the step lasts beyond this frame.
bool Script::startStep(Studio& studio, const Step& step)
{
    KeyPress key;
    switch (step.command) {
    case Command::Wait:
        waitEnd = std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                         std::chrono::duration<double>(step.seconds));
        return true;
    case Command::Seek:
        studio.seekTo(step.argument);
        return false;
    case Command::Pause:
        studio.transport.pause();
        return false;
    case Command::Play:
        studio.transport.play();
        return false;
    case Command::Key:
        parseKeyName(step.argument, key);
        studio.press(key);
        return false;
    case Command::Overlay:
        studio.overlayVisible = step.argument == "on";
        return false;
    case Command::Shot:
        studio.shotPath = step.argument;
        return true;
    case Command::Quit:
        studio.quitRequested = true;
        return false;
    case Command::Edit:
        editApplied = runEditCommand(studio, step.text, editResult);
        return false;
    case Command::Next:
    case Command::Previous:
        studio.jumpToEvent(step.argument, step.command == Command::Next ? 1 : -1);
        return false;
    }
    return false;
}

bool Script::stepDone(Studio& studio)
{
    if (steps[next].command == Command::Shot) {
        return studio.shotPath.empty();
    }
    return std::chrono::steady_clock::now() >= waitEnd;
}

// One line per command, with the playhead and the music's own position, so a
// run's output shows what each step did.
void Script::report(Studio& studio, const Step& step)
{
    // A refused edit is trouble like one refused from a key: the errors panel shows it.
    if (step.command == Command::Edit) {
        const std::string line = "script: " + step.text + " -> " + editResult;
        editApplied ? studio.log.info(line) : studio.log.error(line);
        return;
    }
    char line[256];
    std::snprintf(line, sizeof line, "script: %s -> %s, %.6f s, music %.6f s, %s", step.text.c_str(),
                  formatClock(studio.transport.row).c_str(), studio.transport.seconds(),
                  studio.engine.soundtrack.exactPosition(), studio.transport.paused ? "paused" : "playing");
    studio.log.info(line);
}
