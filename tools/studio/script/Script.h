#pragma once

#include <chrono>
#include <string>
#include <vector>

class Studio;

// Commands run against the running studio, one a line, through the same paths
// as the keys; the studio quits after the last one. See docs/studio.md.
class Script {
public:
    enum class Command { Wait, Seek, Pause, Play, Key, Overlay, Shot, Quit, Edit, Next, Previous };

    struct Step {
        Command command = Command::Quit;
        std::string argument;
        double seconds = 0.0;
        int line = 0;
        std::string text;
    };

    // Reads and checks every line before the first runs; error says what is wrong.
    bool load(const std::string& path, std::string& error);
    // The same for a script's text; name stands for the file in messages.
    bool parse(const std::string& text, const std::string& name, std::string& error);
    // Runs the commands that are due, once per frame.
    void update(Studio& studio);
    bool active() const { return !steps.empty(); }

private:
    bool startStep(Studio& studio, const Step& step);
    bool stepDone(Studio& studio);
    void report(Studio& studio, const Step& step);

    std::vector<Step> steps;
    size_t next = 0;
    bool waiting = false;
    std::chrono::steady_clock::time_point waitEnd;
    // What the last editing command wrote, or why it was refused.
    std::string editResult;
    bool editApplied = false;
};
