#include "GlTestContext.h"

namespace testing_support {

std::string deliveredLogText(const std::string& message)
{
    std::string text = message;
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
    }
    return text;
}

LogCapture::LogCapture()
{
    SDL_LogGetOutputFunction(&previousFunction, &previousUserdata);
    SDL_LogSetAllPriority(SDL_LOG_PRIORITY_VERBOSE);
    SDL_LogSetOutputFunction(&LogCapture::output, this);
}

LogCapture::~LogCapture()
{
    SDL_LogSetOutputFunction(previousFunction, previousUserdata);
}

bool LogCapture::contains(const std::string& text) const
{
    for (const std::string& line : captured) {
        if (line.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

int LogCapture::count(const std::string& text) const
{
    const std::string expected = deliveredLogText(text);
    int matches = 0;
    for (const std::string& line : captured) {
        matches += line == expected ? 1 : 0;
    }
    return matches;
}

void LogCapture::clear()
{
    captured.clear();
    capturedEntries.clear();
}

void LogCapture::output(void* userdata, int category, SDL_LogPriority priority, const char* message)
{
    LogCapture* capture = static_cast<LogCapture*>(userdata);
    capture->captured.emplace_back(message);
    capture->capturedEntries.push_back(LogEntry{category, priority, message});
}

}
