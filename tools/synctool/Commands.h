#pragma once

#include <string>
#include <vector>

// The four commands of synctool; each returns the program's exit status.
constexpr int kExitOk = 0;
constexpr int kExitProblems = 1;
constexpr int kExitUsage = 2;

int runBuild(const std::string& sourcePath, const std::string& outputDir);
int runDump(const std::string& trackPath);
int runEval(const std::string& trackPath, const std::vector<std::string>& rows);
int runCheck(const std::string& dir);
