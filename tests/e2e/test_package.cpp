#include "DemoRun.h"
#include "LogLines.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

// Builds the release packages from this build tree with cpack, checks what they
// hold, and plays the installed demo through its launcher.
namespace {

namespace fs = std::filesystem;
using namespace testing_support;

constexpr double kPackTimeout = 240.0;
constexpr double kToolTimeout = 60.0;
constexpr double kRunTimeout = 120.0;
constexpr double kCheckerTimeout = 240.0;
// Long enough for the clock to pass a whole second between two packings.
constexpr auto kRepackDelay = std::chrono::seconds(3);
constexpr const char* kLibrariesNeeded[] = {"libsdl2", "libglew", "libmpg123"};
// What the packages are packed from, in the source and the build tree; the
// build scripts themselves stay untouched, so that the next build does not
// configure again.
constexpr const char* kSourceInputs[] = {"Config.txt", "README.md", "LICENSE", "res", "packaging/morlenth",
                                         "packaging/morlenth.desktop", "packaging/morlenth.svg",
                                         "packaging/morlenth.6", "packaging/copyright",
                                         "packaging/lintian-overrides", "packaging/changelog.in",
                                         "packaging/morlenth.metainfo.xml.in"};
constexpr const char* kBuildInputs[] = {"bin/morlenth", "packaging"};
constexpr const char* kEditedConfig =
    "Edited by hand.\nViewportWidth = 256;\nViewportHeight = 144;\nMSAA = 0;\nFullscreen = false;\n";

std::string buildDir() { return binDir() + "/.."; }

// A value from the build tree's CMakeCache.txt, whose lines read NAME:TYPE=value.
std::string cacheValue(const std::string& name)
{
    for (const std::string& line : readLines(buildDir() + "/CMakeCache.txt")) {
        if (line.compare(0, name.size() + 1, name + ":") == 0 && line.find('=') != std::string::npos) {
            return line.substr(line.find('=') + 1);
        }
    }
    return std::string();
}

std::string version() { return cacheValue("CMAKE_PROJECT_VERSION"); }

std::string trimmed(const std::string& text)
{
    size_t end = text.find_last_not_of(" \n");
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

// "MODE PATH" for each file of a long listing (tar -tv, dpkg-deb -c), without
// the folders and without the first pathPrefix characters of the path; sorted.
std::vector<std::string> filesOf(const std::string& listing, const std::string& pathPrefix)
{
    std::vector<std::string> files;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string mode, path;
        fields >> mode;
        for (std::string field; fields >> field;) {
            path = field;
        }
        if (mode.empty() || mode[0] == 'd') {
            continue;
        }
        bool underPrefix = path.compare(0, pathPrefix.size(), pathPrefix) == 0;
        files.push_back(mode + " " + (underPrefix ? path.substr(pathPrefix.size()) : "outside: " + path));
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> expectedFiles(const std::string& listName)
{
    std::vector<std::string> files = readLines(sourceDir() + "/packaging/" + listName);
    std::sort(files.begin(), files.end());
    return files;
}

::testing::AssertionResult holdsListedFiles(const std::string& listName, const std::vector<std::string>& actual)
{
    std::vector<std::string> expected = expectedFiles(listName);
    std::ostringstream differences;
    for (const std::string& file : expected) {
        if (!std::binary_search(actual.begin(), actual.end(), file)) {
            differences << "\n  missing:    " << file;
        }
    }
    for (const std::string& file : actual) {
        if (!std::binary_search(expected.begin(), expected.end(), file)) {
            differences << "\n  unexpected: " << file;
        }
    }
    if (differences.str().empty()) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "the package's files differ from packaging/" << listName << ":" << differences.str();
}

// Every file under path (or path itself) gets the modification time now.
void touchTree(const fs::path& path)
{
    auto now = fs::file_time_type::clock::now();
    if (fs::is_regular_file(path)) {
        fs::last_write_time(path, now);
        return;
    }
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(path)) {
        if (entry.is_regular_file()) {
            fs::last_write_time(entry.path(), now);
        }
    }
}

// The lines of a checker's report that are errors or warnings ("E: ", "W: ").
std::string complaints(const std::string& report)
{
    std::istringstream lines(report);
    std::string found;
    for (std::string line; std::getline(lines, line);) {
        if (line.compare(0, 2, "E:") == 0 || line.compare(0, 2, "W:") == 0) {
            found += line + "\n";
        }
    }
    return found;
}

class PackageTest : public ::testing::Test {
protected:
    void SetUp() override { dir = makeTempDir("morlenth-package"); }
    void TearDown() override { removeTree(dir); }

    // Runs cpack for one generator on this build tree; the package lands in
    // outDir, by default dir.
    std::string pack(const std::string& generator, const std::string& fileName, std::string outDir = std::string())
    {
        outDir = outDir.empty() ? dir : outDir;
        ProcessResult result = runProcess({cacheValue("CMAKE_CPACK_COMMAND"), "-G", generator, "--config",
                                           buildDir() + "/CPackConfig.cmake", "-B", outDir},
                                          buildDir(), {}, kPackTimeout);
        EXPECT_TRUE(result.exited && result.exitCode == 0) << result.output;
        std::string path = outDir + "/" + fileName;
        EXPECT_TRUE(fs::exists(path)) << fileName << " was not built:\n" << result.output;
        return path;
    }

    std::string archiveName() { return "morlenth-" + version() + "-Linux.tar.gz"; }

    std::string debName()
    {
        std::string architecture = trimmed(runProcess({"/usr/bin/dpkg", "--print-architecture"}, "", {}, kToolTimeout).output);
        return "morlenth_" + version() + "_" + architecture + ".deb";
    }

    std::string packDeb(const std::string& outDir = std::string()) { return pack("DEB", debName(), outDir); }

    ProcessResult tool(const std::vector<std::string>& argv)
    {
        ProcessResult result = runProcess(argv, dir, {}, kToolTimeout);
        EXPECT_TRUE(result.exited && result.exitCode == 0) << argv[0] << ": " << result.output;
        return result;
    }

    // The installed launcher from a folder of the test's own, so that nothing
    // can land in the working folder unnoticed.
    ProcessResult launch(const std::string& root, const std::string& dataHome)
    {
        fs::create_directories(dir + "/elsewhere");
        return runProcess({root + "/usr/games/morlenth"}, dir + "/elsewhere",
                          {"SDL_AUDIODRIVER=dummy", "MORLENTH_ROOT=" + root, "XDG_DATA_HOME=" + dataHome,
                           "HOME=" + dir + "/home"},
                          kRunTimeout);
    }

    std::string dir;
};

TEST_F(PackageTest, ArchiveHoldsTheProgramItsDataAndDocuments)
{
    std::string top = "morlenth-" + version() + "-Linux";
    std::string archive = pack("TGZ", archiveName());
    ASSERT_TRUE(fs::exists(archive));
    ProcessResult listing = tool({"/usr/bin/tar", "-tvzf", archive});
    EXPECT_TRUE(holdsListedFiles("archive-contents.txt", filesOf(listing.output, top + "/")));
}

TEST_F(PackageTest, DebHoldsTheLauncherProgramAndDataAndDependsOnWhatItLinks)
{
    std::string deb = packDeb();
    ASSERT_TRUE(fs::exists(deb));
    ProcessResult listing = tool({"/usr/bin/dpkg-deb", "-c", deb});
    EXPECT_TRUE(holdsListedFiles("deb-contents.txt", filesOf(listing.output, "./")));

    ProcessResult info = tool({"/usr/bin/dpkg-deb", "-I", deb});
    EXPECT_NE(info.output.find("\n Version: " + version() + "\n"), std::string::npos) << info.output;
    size_t depends = info.output.find("\n Depends: ");
    ASSERT_NE(depends, std::string::npos) << info.output;
    std::string dependsLine = info.output.substr(depends + 1, info.output.find('\n', depends + 1) - depends - 1);
    for (const char* library : kLibrariesNeeded) {
        EXPECT_NE(dependsLine.find(library), std::string::npos) << library << " missing from" << dependsLine;
    }
}

// Debian's own checker, and the checkers of the menu entry, the AppStream
// metadata and the manual page on the files the package installs.
TEST_F(PackageTest, DebPassesLintianAndTheValidatorsOfItsFiles)
{
    std::string deb = packDeb();
    ASSERT_TRUE(fs::exists(deb));
    ProcessResult lintian = runProcess({"/usr/bin/lintian", deb}, dir, {}, kCheckerTimeout);
    EXPECT_TRUE(lintian.exited && lintian.exitCode == 0) << lintian.output;
    EXPECT_EQ(complaints(lintian.output), "") << lintian.output;

    std::string root = dir + "/root";
    tool({"/usr/bin/dpkg", "-x", deb, root});
    ProcessResult desktop = tool({"/usr/bin/desktop-file-validate", root + "/usr/share/applications/morlenth.desktop"});
    EXPECT_EQ(desktop.output, "");
    ProcessResult appstream = runProcess({"/usr/bin/appstreamcli", "validate", "--no-net",
                                          root + "/usr/share/metainfo/invalid.morlenth.demo.metainfo.xml"},
                                         dir, {}, kCheckerTimeout);
    EXPECT_TRUE(appstream.exited && appstream.exitCode == 0) << appstream.output;
    EXPECT_EQ(complaints(appstream.output), "") << appstream.output;
    ProcessResult manual = tool({"/bin/sh", "-c", "MANWIDTH=80 man --warnings -l \"$0\" > /dev/null",
                                 root + "/usr/share/man/man6/morlenth.6.gz"});
    EXPECT_EQ(manual.output, "");
}

// Packed again a few seconds later, after every input's modification time has
// changed, both packages are the same bytes: nothing of the clock or of the
// checkout's file times gets into them.
TEST_F(PackageTest, PackingAgainLaterWithNewFileTimesGivesTheSameBytes)
{
    std::vector<std::string> first = {pack("TGZ", archiveName(), dir + "/first"), packDeb(dir + "/first")};
    std::this_thread::sleep_for(kRepackDelay);
    for (const char* input : kSourceInputs) {
        touchTree(sourceDir() + "/" + input);
    }
    for (const char* input : kBuildInputs) {
        touchTree(buildDir() + "/" + input);
    }
    std::vector<std::string> second = {pack("TGZ", archiveName(), dir + "/second"), packDeb(dir + "/second")};
    for (size_t i = 0; i < first.size(); ++i) {
        ASSERT_TRUE(fs::exists(first[i]) && fs::exists(second[i]));
        EXPECT_TRUE(readFile(first[i]) == readFile(second[i])) << fs::path(first[i]).filename() << " differs";
    }
}

// Installed into a scratch root, the launcher runs the program in the user's
// data folder: the log lands there, the settings are copied once and then kept.
TEST_F(PackageTest, LauncherPlaysInTheUserFolderAndKeepsItsSettings)
{
    std::string deb = packDeb();
    ASSERT_TRUE(fs::exists(deb));
    std::string root = dir + "/root";
    tool({"/usr/bin/dpkg", "-x", deb, root});
    // A short clip instead of the whole music, and a small window.
    copyFile(musicClipPath(), root + "/usr/share/morlenth/res/audio/melody.mp3");
    writeFile(root + "/usr/share/morlenth/Config.txt", kDefaultConfig);
    std::string user = dir + "/data/morlenth";

    ProcessResult first = launch(root, dir + "/data");
    std::vector<std::string> log = readLines(user + "/Log.txt");
    EXPECT_TRUE(first.exited && first.exitCode == 0) << describeRun(first, log);
    EXPECT_TRUE(followsInOrder(log, logLines({"Selected Settings: 320x180 Resolution with 4x MSAA", "Starting playback!",
                                              "Engine Shutting Down"})))
        << describeRun(first, log);
    EXPECT_EQ(readFile(user + "/Config.txt"), kDefaultConfig);
    EXPECT_TRUE(fs::is_symlink(user + "/res"));
    std::error_code noLink;
    EXPECT_TRUE(fs::equivalent(user + "/res", root + "/usr/share/morlenth/res", noLink)) << noLink.message();
    EXPECT_FALSE(fs::exists(dir + "/elsewhere/Log.txt"));

    writeFile(user + "/Config.txt", kEditedConfig);
    ProcessResult second = launch(root, dir + "/data");
    log = readLines(user + "/Log.txt");
    EXPECT_TRUE(second.exited && second.exitCode == 0) << describeRun(second, log);
    EXPECT_EQ(readFile(user + "/Config.txt"), kEditedConfig);
    EXPECT_TRUE(followsInOrder(log, logLines({"Selected Settings: 256x144 Resolution with 0x MSAA", "Engine Shutting Down"})))
        << describeRun(second, log);
}

}
