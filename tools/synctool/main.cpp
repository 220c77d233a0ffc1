#include "Commands.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: synctool build SOURCE DIR      compile a timeline text into DIR/_Name.track files\n"
    "       synctool dump FILE.track        print a track file as timeline text\n"
    "       synctool eval FILE.track ROW... print the track's value at each row\n"
    "       synctool check DIR              list every problem of the track files in DIR\n";

int usage()
{
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

}

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string command = args.empty() ? "" : args[0];
    if (command == "build" && args.size() == 3) {
        return runBuild(args[1], args[2]);
    }
    if (command == "dump" && args.size() == 2) {
        return runDump(args[1]);
    }
    if (command == "eval" && args.size() >= 3) {
        return runEval(args[1], std::vector<std::string>(args.begin() + 2, args.end()));
    }
    if (command == "check" && args.size() == 2) {
        return runCheck(args[1]);
    }
    return usage();
}
