#include "LogLines.h"

namespace testing_support {

bool LogLine::matches(const std::string& line) const
{
    return prefix ? line.compare(0, text.size(), text) == 0 : line == text;
}

std::vector<LogLine> logLines(std::initializer_list<const char*> texts)
{
    std::vector<LogLine> result;
    for (const char* text : texts) {
        result.push_back({text});
    }
    return result;
}

std::vector<std::string> withoutBlankLines(const std::vector<std::string>& log)
{
    std::vector<std::string> kept;
    for (const std::string& line : log) {
        if (!line.empty()) {
            kept.push_back(line);
        }
    }
    return kept;
}

::testing::AssertionResult followsInOrder(const std::vector<std::string>& log, const std::vector<LogLine>& expected)
{
    size_t at = 0;
    for (const LogLine& line : expected) {
        while (at < log.size() && !line.matches(log[at])) {
            ++at;
        }
        if (at == log.size()) {
            return ::testing::AssertionFailure() << "not in the log in this order: \"" << line.text << "\"";
        }
        ++at;
    }
    return ::testing::AssertionSuccess();
}

// A driver's log ends with a line break, so its closing quote stands alone.
::testing::AssertionResult onlyExpectedTrouble(const std::vector<std::string>& log,
                                               const std::vector<LogLine>& expected,
                                               const std::vector<std::string>& troubleWords)
{
    bool inDriverText = false;
    for (const std::string& line : log) {
        const LogLine* match = nullptr;
        for (const LogLine& candidate : expected) {
            if (candidate.matches(line)) {
                match = &candidate;
            }
        }
        if (inDriverText && (match == nullptr || match->prefix)) {
            inDriverText = line != "'";
            continue;
        }
        inDriverText = match != nullptr && match->prefix;
        for (const std::string& word : troubleWords) {
            if (match == nullptr && line.find(word) != std::string::npos) {
                return ::testing::AssertionFailure() << "unexpected: \"" << line << "\"";
            }
        }
    }
    return ::testing::AssertionSuccess();
}

std::string describeRun(const ProcessResult& result, const std::vector<std::string>& log)
{
    std::string text = "exited " + std::to_string(result.exited) + ", code " + std::to_string(result.exitCode) +
                       ", signal " + std::to_string(result.signal) + ", timed out " +
                       std::to_string(result.timedOut) + "\nLog.txt:\n";
    for (const std::string& line : log) {
        text += "  " + line + "\n";
    }
    return text + "output:\n" + result.output;
}

}
