#pragma once

#include <string>
#include <vector>

// Shared helpers for tests that work with real files and real programs.
namespace testing_support {

std::string sourceDir();
std::string binDir();

// A fresh empty directory under the system's temporary folder.
std::string makeTempDir(const std::string& prefix);
void removeTree(const std::string& path);

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
std::vector<std::string> readLines(const std::string& path);
void copyFile(const std::string& from, const std::string& to);
// Copies a whole folder tree (used to lay out res/ in a temporary working folder).
void copyTree(const std::string& from, const std::string& to);

struct ProcessResult {
    int exitCode = -1;     // valid when exited is true
    bool exited = false;   // ended by itself, not by a signal
    int signal = 0;        // the signal that ended it, when exited is false
    bool timedOut = false; // killed by the runner after the timeout
    std::string output;    // standard output and error, interleaved
};

// Runs argv[0] in cwd with extra environment entries ("NAME=value"; an entry
// "NAME=" with nothing after the = removes NAME). Killed after timeoutSeconds.
// afterStart, when given, runs in the test while the program runs (with its pid).
ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& cwd,
                         const std::vector<std::string>& env, double timeoutSeconds,
                         void (*afterStart)(int pid, void* context) = nullptr, void* context = nullptr);

}

namespace testing_support {

// Makes a folder refuse writes while the guard lives: ReadOnly as a read-only bind
// mount when running as root (whom file modes do not bind), by its mode otherwise;
// Full as a tmpfs of `bytes` mounted over it (it starts empty). The mounts are made in
// a mount namespace of the test's own, so a test that dies leaves none behind. active
// is false, with the reason in why, where this machine does not allow it.
struct FolderLimit {
    enum Kind { ReadOnly, Full };
    FolderLimit(const std::string& path, Kind kind, size_t bytes = 0);
    ~FolderLimit();
    FolderLimit(const FolderLimit&) = delete;
    FolderLimit& operator=(const FolderLimit&) = delete;

    std::string path;
    bool active = false;
    bool mounted = false;
    std::string why;
};

}
