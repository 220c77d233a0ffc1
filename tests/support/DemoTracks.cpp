#include "DemoTracks.h"

#include "TestPaths.h"

#include <regex>
#include <sstream>

namespace testing_support {

std::string demoTimelinePath()
{
    return sourceDir() + "/res/sync/demo.timeline";
}

int timelineConstantBar(const std::string& timelineText, const std::string& name)
{
    const std::regex definition("^\\s*" + name + "\\s*=\\s*(-?[0-9]+)\\s*(#.*)?$");
    std::istringstream lines(timelineText);
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (std::regex_match(line, match, definition)) {
            return std::stoi(match[1].str());
        }
    }
    return -1;
}

int demoEndRow()
{
    int bar = timelineConstantBar(readFile(demoTimelinePath()), "@end");
    return bar < 0 ? -1 : bar * kRowsPerBar;
}

}
