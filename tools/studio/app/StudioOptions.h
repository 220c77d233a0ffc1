#pragma once

#include <string>

// The studio's command line. Positions stay text until the timeline's markers are known.
struct StudioOptions {
    std::string from;       // POS to start at; empty for the start
    std::string loopStart;  // POS; both empty for no loop
    std::string loopEnd;
    bool paused = false;
    std::string timeline = "res/sync/demo.timeline";
    std::string script;     // a file of commands to run, then quit; empty for none
};

enum class StudioParse { Run, Help, Bad };

// --help prints the usage on standard output; a bad argument prints what is
// wrong and the usage on standard output too (the studio writes nowhere else).
StudioParse parseStudioOptions(int argc, char** argv, StudioOptions& options);
