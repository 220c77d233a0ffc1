// The studio given what an author may get wrong: a bad command line or script ends it
// at once with the reason and its exit status; files that break while it runs are
// reported and it keeps drawing; a folder that cannot take the tracks loses nothing.
#include "StudioRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

struct BadStart {
    const char* name;
    std::vector<std::string> args;
    std::string script;
    int exitCode;
    const char* message;
};

std::string repeated(const std::string& line, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += line;
    }
    return text;
}

const BadStart kBadStarts[] = {
    {"unknown option", {"--bogus"}, "", 2, "studio: unknown argument --bogus"},
    {"missing value", {"--from"}, "", 2, "studio: missing value after --from"},
    {"loop without its end", {"--loop", "24"}, "", 2, "studio: --loop wants START:END, not 24"},
    {"loop that splits two ways", {"--loop", "1:2:3"}, "", 2, "studio: --loop wants START:END, not 1:2:3"},
    {"timeline that is a folder", {"--timeline", "res/sync"}, "", 1,
     "studio: cannot read the timeline res/sync: is a folder"},
    {"script that is a folder", {"--script", "res"}, "", 1, "studio: cannot read the script res: is a folder"},
    {"wait inf", {}, "wait inf\n", 1, "test.script:1: wait wants 0 to 86400 seconds, not 'inf'"},
    {"wait 1e10", {}, "pause\nwait 1e10\n", 1, "test.script:2: wait wants 0 to 86400 seconds, not '1e10'"},
    {"wait nan", {}, "wait nan\n", 1, "test.script:1: wait wants"},
    {"wait -1", {}, "wait -1\n", 1, "test.script:1: wait wants"},
    {"seek to no position", {}, "seek 1:9\n", 1, "test.script:1: seek wants a bar, BAR:BEAT:ROW or @name, not '1:9'"},
    {"unknown key", {}, "key Bogus\n", 1, "test.script:1: unknown key 'Bogus'"},
    {"overlay maybe", {}, "overlay maybe\n", 1, "test.script:1: overlay wants on or off"},
    {"pause with an argument", {}, "pause now\n", 1, "test.script:1: pause takes no argument"},
    {"shot without a file", {}, "shot\n", 1, "test.script:1: shot needs an argument"},
    {"unknown command", {}, "# fine\nfrobnicate\n", 1, "test.script:2: unknown command 'frobnicate'"},
    // From here on the studio starts; the timeline's markers are known.
    {"start past the end", {"--from", "999"}, "", 1, "studio: --from 999 lies past the end of the music at 71:3:15"},
    {"unknown marker", {"--from", "@nowhere"}, "", 1, "studio: the timeline names no marker @nowhere"},
    {"loop with its ends swapped", {"--loop", "24:16"}, "", 1,
     "studio: --loop: the end 16 does not come after the start 24"},
    {"loop ends written apart", {"--loop", "16:24:0:0", "--paused"}, "", 0, "script: quit -> 16:0:00"},
    {"loop ends written apart again", {"--loop", "16:0:24", "--paused"}, "", 0, "script: quit -> 16:0:00"},
};

TEST(StudioBadInputs, ABadStartEndsWithItsReason)
{
    StudioDir dir;
    for (const BadStart& bad : kBadStarts) {
        ProcessResult run = runStudio(dir, bad.script, bad.args);
        ASSERT_TRUE(run.exited) << bad.name << ": signal " << run.signal << (run.timedOut ? ", timed out" : "");
        EXPECT_EQ(run.exitCode, bad.exitCode) << bad.name << "\n" << run.output.substr(0, 4000);
        EXPECT_NE(run.output.find(bad.message), std::string::npos) << bad.name << "\n" << run.output.substr(0, 4000);
    }
}

TEST(StudioBadInputs, EveryLineOfALongScriptRuns)
{
    StudioDir dir;
    ProcessResult run = runStudio(dir, repeated("overlay off\n", 100000), {"--paused"});
    ASSERT_EQ(run.exitCode, 0) << run.output.substr(0, 4000);
    size_t reports = 0;
    for (size_t at = run.output.find("script: overlay off ->"); at != std::string::npos;
         at = run.output.find("script: overlay off ->", at + 1)) {
        ++reports;
    }
    EXPECT_EQ(reports, 100000u);
}

std::map<std::string, std::string> filesIn(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        files[entry.path().filename().string()] = readFile(entry.path().string());
    }
    return files;
}

// Infinities and NaN are values a track may hold; the picture is drawn with them.
std::string withOddValues(std::string timeline)
{
    const std::string header = "track Ring1.Rotation";
    timeline.insert(timeline.find(header) + header.size(), "Old");
    return timeline + "\n" + header + "\n    0   nan   linear\n    64  inf   step\n    128 -inf  step\n";
}

// One run meets, in turn: a track folder that refuses the tracks, the timeline replaced by
// a folder, deleted, then restored with odd values, and a shader that becomes a folder,
// grows to 10 MB and is deleted.
TEST(StudioBadInputs, FilesThatBreakWhileItRunsAreReportedAndItKeepsDrawing)
{
    StudioDir dir;
    std::string timeline = dir.file("t.timeline");
    copyFile(dir.file("res/sync/demo.timeline"), timeline);
    std::string shader = dir.file("res/shaders/Mix.frag");
    std::string shaderText = readFile(shader);
    std::map<std::string, std::string> tracksBefore = filesIn(dir.file("res/sync"));
    FolderLimit readOnly(dir.file("res/sync"), FolderLimit::ReadOnly);
    if (!readOnly.active) {
        std::printf("the track folder stays writable, Ctrl+S is not tried: %s\n", readOnly.why.c_str());
    }

    std::string script = readOnly.active ? "key Ctrl+S\n" : "";
    const char* shots[] = {"a.png", "b.png", "c.png", "d.png", "e.png", "f.png", "g.png"};
    for (const char* shot : shots) {
        script += "shot " + std::string(shot) + "\nwait 0.6\n";
    }
    std::string huge = shaderText + "\n" + repeated("// " + std::string(77, '-') + "\n", 131072);
    ProcessResult run = runStudio(dir, script, {"--paused", "--from", "20", "--timeline", "t.timeline"},
                                  {{dir.file("a.png"), timeline, "", FileEdit::MakeFolder},
                                   {dir.file("b.png"), timeline, "", FileEdit::Remove},
                                   {dir.file("c.png"), timeline, withOddValues(readFile(dir.file("res/sync/demo.timeline")))},
                                   {dir.file("d.png"), shader, "", FileEdit::MakeFolder},
                                   {dir.file("e.png"), shader, huge},
                                   {dir.file("f.png"), shader, "", FileEdit::Remove}});
    ASSERT_TRUE(run.exited) << "signal " << run.signal << "\n" << run.output.substr(0, 8000);
    ASSERT_EQ(run.exitCode, 0) << run.output.substr(0, 8000);

    const std::vector<std::string> expected = {
        "t.timeline:0: cannot be read: is a folder",
        "t.timeline:0: cannot be read: No such file or directory",
        "timeline: 54 tracks from t.timeline",
        "shader: rebuilt res/shaders/FullscreenQuad.vert + res/shaders/Mix.frag",
        "studio: saved g.png",
    };
    for (const std::string& line : expected) {
        EXPECT_NE(run.output.find(line), std::string::npos) << line << "\n" << run.output.substr(0, 8000);
    }
    // Once as a folder, once deleted.
    const std::string refused = "shader: res/shaders/Mix.frag does not build";
    size_t first = run.output.find(refused);
    EXPECT_NE(first, std::string::npos) << run.output.substr(0, 8000);
    EXPECT_NE(run.output.find(refused, first + 1), std::string::npos) << run.output.substr(0, 8000);
    EXPECT_GT(meanValue(readRgbPng(dir.file("g.png"))), 1.0) << "the picture went dark";
    if (readOnly.active) {
        EXPECT_NE(run.output.find("studio: cannot write res/sync/_"), std::string::npos) << run.output.substr(0, 8000);
        EXPECT_EQ(filesIn(dir.file("res/sync")), tracksBefore) << "a track changed or a temporary file was left";
    }
}

}
