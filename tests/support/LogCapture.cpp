#include "GlTestContext.h"

namespace testing_support {

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

void LogCapture::output(void* userdata, int, SDL_LogPriority, const char* message)
{
    static_cast<LogCapture*>(userdata)->captured.emplace_back(message);
}

}
