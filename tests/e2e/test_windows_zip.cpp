// The zip that make windows packs: the files it holds, every DLL they load
// shipped with them or part of Windows, no time stamp in a PE header, and the
// same bytes when the same build is packed again.
#include "TestPaths.h"
#include "WineSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

constexpr double kToolTimeout = 120.0;
constexpr const char* kPython = "/usr/bin/python3";

// Each entry as "MODE PATH" below the zip's top folder, sorted.
constexpr const char* kListEntries =
    "import stat, sys, zipfile\n"
    "for info in zipfile.ZipFile(sys.argv[1]).infolist():\n"
    "    if not info.is_dir():\n"
    "        print(stat.filemode(info.external_attr >> 16), info.filename.split('/', 1)[1])\n";

std::vector<std::string> sortedLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != '#') {
            lines.push_back(line);
        }
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

class WindowsZip : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(windowsZipPath())) << windowsZipPath() << " is missing: make windows builds it";
    }
};

TEST_F(WindowsZip, HoldsTheProgramItsDllsAndItsData)
{
    ProcessResult listing = runProcess({kPython, "-c", kListEntries, windowsZipPath()}, "", {}, kToolTimeout);
    ASSERT_EQ(listing.exitCode, 0) << listing.output;
    EXPECT_EQ(joined(sortedLines(listing.output)),
              joined(sortedLines(readFile(sourceDir() + "/packaging/windows/zip-contents.txt"))))
        << "the zip's files differ from packaging/windows/zip-contents.txt";
}

TEST_F(WindowsZip, LoadsOnlyWhatItShipsOrWindowsHasAndCarriesNoTimeStamp)
{
    std::string dir = makeTempDir("morlenth-zip");
    ProcessResult unpack = runProcess({kPython, "-m", "zipfile", "-e", windowsZipPath(), dir}, "", {}, kToolTimeout);
    ASSERT_EQ(unpack.exitCode, 0) << unpack.output;
    ProcessResult check = runProcess({kPython, sourceDir() + "/packaging/windows/check_imports.py", "--no-timestamps",
                                      "--list", dir},
                                     "", {}, kToolTimeout);
    removeTree(dir);
    EXPECT_EQ(check.exitCode, 0) << check.output;
    EXPECT_NE(check.output.find("morlenth.exe"), std::string::npos) << check.output;
}

// Packed twice here, so that a commit made since make windows (a new time for
// every entry) does not count as a difference.
TEST_F(WindowsZip, PacksToTheSameBytesAgain)
{
    std::string packs[2];
    for (std::string& bytes : packs) {
        ProcessResult pack = runProcess({"/usr/bin/cmake", "--build", windowsBuildDir(), "--target", "morlenth_zip"},
                                        "", {}, kToolTimeout);
        ASSERT_EQ(pack.exitCode, 0) << pack.output;
        bytes = readFile(windowsZipPath());
    }
    EXPECT_FALSE(packs[0].empty());
    EXPECT_TRUE(packs[0] == packs[1]) << "packing the same build again changed the zip";
}

}
