#include "app/StudioOptions.h"

#include "edit/Position.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: studio [--from POS] [--loop POS:POS] [--paused] [--timeline FILE] [--script FILE]\n"
    "  POS is a bar number, BAR:BEAT:ROW or @name (a marker of the timeline)\n"
    "  --from POS       start playing at POS\n"
    "  --loop A:B       loop from A to B; both ends written as POS, e.g. 16:24 or @main:@breakdown\n"
    "  --paused         start paused\n"
    "  --timeline FILE  the timeline text to watch (default res/sync/demo.timeline)\n"
    "  --script FILE    run the commands of FILE, one a line, then quit (see docs/studio.md)\n";

bool bad(const char* message, const char* argument)
{
    std::printf("studio: %s%s\n%s", message, argument, kUsage);
    return false;
}

size_t colonsIn(const std::string& text)
{
    return static_cast<size_t>(std::count(text.begin(), text.end(), ':'));
}

// "A:B" where each side is a POS that may itself hold colons: the split is at the colon
// that leaves two valid halves, so "16:24", "16:24:0:0" and "16:0:0:24:0:0" all work.
// Where several colons would do ("1:2:3"), the one that writes both ends alike decides.
bool splitLoop(const std::string& text, std::string& start, std::string& end)
{
    std::vector<size_t> splits;
    for (size_t at = text.find(':'); at != std::string::npos; at = text.find(':', at + 1)) {
        if (isPositionForm(text.substr(0, at)) && isPositionForm(text.substr(at + 1))) {
            splits.push_back(at);
        }
    }
    if (splits.size() > 1) {
        splits.erase(std::remove_if(splits.begin(), splits.end(),
                                    [&](size_t at) {
                                        return colonsIn(text.substr(0, at)) != colonsIn(text.substr(at + 1));
                                    }),
                     splits.end());
    }
    if (splits.size() != 1) {
        return false;
    }
    start = text.substr(0, splits[0]);
    end = text.substr(splits[0] + 1);
    return true;
}

bool takeValue(int argc, char** argv, int& i, std::string& value)
{
    if (i + 1 >= argc) {
        return bad("missing value after ", argv[i]);
    }
    value = argv[++i];
    return true;
}

bool parseArgument(int argc, char** argv, int& i, StudioOptions& options)
{
    const char* arg = argv[i];
    std::string loop;
    if (std::strcmp(arg, "--from") == 0) {
        return takeValue(argc, argv, i, options.from);
    }
    if (std::strcmp(arg, "--loop") == 0) {
        if (!takeValue(argc, argv, i, loop)) {
            return false;
        }
        return splitLoop(loop, options.loopStart, options.loopEnd) || bad("--loop wants START:END, not ", loop.c_str());
    }
    if (std::strcmp(arg, "--paused") == 0) {
        options.paused = true;
        return true;
    }
    if (std::strcmp(arg, "--timeline") == 0) {
        return takeValue(argc, argv, i, options.timeline);
    }
    if (std::strcmp(arg, "--script") == 0) {
        return takeValue(argc, argv, i, options.script);
    }
    return bad("unknown argument ", arg);
}

}

StudioParse parseStudioOptions(int argc, char** argv, StudioOptions& options)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return StudioParse::Help;
        }
        if (!parseArgument(argc, argv, i, options)) {
            return StudioParse::Bad;
        }
    }
    return StudioParse::Run;
}
