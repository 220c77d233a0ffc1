#pragma once

#include "TestPaths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Checks of a run's Log.txt, line by line.
namespace testing_support {

// A line of the log, or its beginning where a driver adds text of its own.
struct LogLine {
    std::string text;
    bool prefix = false;
    bool matches(const std::string& line) const;
};

std::vector<LogLine> logLines(std::initializer_list<const char*> texts);
std::vector<std::string> withoutBlankLines(const std::vector<std::string>& log);

// The expected lines appear in the log in this order, with anything between them.
::testing::AssertionResult followsInOrder(const std::vector<std::string>& log, const std::vector<LogLine>& expected);

// Every line holding one of troubleWords is expected. A prefix line may carry a
// driver's compile or link log: its lines up to the closing quote belong to it.
::testing::AssertionResult onlyExpectedTrouble(const std::vector<std::string>& log,
                                               const std::vector<LogLine>& expected,
                                               const std::vector<std::string>& troubleWords);

// How a run ended, its log and its output, for failure messages.
std::string describeRun(const ProcessResult& result, const std::vector<std::string>& log);

}
