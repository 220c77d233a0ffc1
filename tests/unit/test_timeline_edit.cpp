// Edits of the timeline text: each written as the author would have written it, every
// other line byte for byte, and every step undone back to the same bytes.
#include "TestPaths.h"

#include "authoring/TimelineDocument.h"
#include "authoring/TrackText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>
#include <map>
#include <random>
#include <tuple>

namespace {

using namespace testing_support;

const std::string kText =
    "# test timeline\n"
    "@intro = 0\n"
    "@build = 8   # builds\n"
    "@main  = @build+8\n"
    "\n"
    "track A.Plain\n"
    "    0        1      step     # first\n"
    "    72       2.5    linear\n"
    "\n"
    "track B.Musical\n"
    "    1:0:8       0.5   smooth   # musical\n"
    "    2:3         1     step\n"
    "    3:1:08      2     ramp\n"
    "\n"
    "track C.Marker    # relative\n"
    "    @build+3:2:12   0.25   linear   # one beat before the fill\n"
    "    @main:0:0       1      step\n"
    "    @main+2:1       0      smooth\n";

constexpr int32_t kBuildFill = 11 * 64 + 2 * 16 + 12;
constexpr int32_t kMain = 16 * 64;

struct RoundTrip {
    const char* name;
    std::vector<TimelineEdit> step;
    std::string before;  // the part of the text the step changes
    std::string after;   // what it becomes
};

const std::vector<RoundTrip> kRoundTrips = {
    {"a shorter value keeps the comment's column", {setKeyEdit("A.Plain", 0, 0.3f)},
     "    0        1      step     # first", "    0        0.3    step     # first"},
    {"a longer value pushes only as far as it must", {setKeyEdit("A.Plain", 72, 123456.5f)},
     "    72       2.5    linear", "    72       123456.5 linear"},
    {"a kind keeps the comment's column", {kindEdit("B.Musical", 72, 0)},
     "    1:0:8       0.5   smooth   # musical", "    1:0:8       0.5   step     # musical"},
    {"a marker position keeps its marker", {moveKeyEdit("C.Marker", kBuildFill, kBuildFill + 16)},
     "@build+3:2:12   0.25", "@build+3:3:12   0.25"},
    {"moved before its marker, the nearest earlier marker", {moveKeyEdit("C.Marker", kMain, kMain - 1)},
     "    @main:0:0       1      step", "    @build+7:3:15   1      step"},
    {"a marker behind every later one", {moveKeyEdit("C.Marker", kBuildFill, 7 * 64 + 52)},
     "@build+3:2:12   0.25", "@intro+7:3:4    0.25"},
    {"a plain row stays a row and the line follows its row",
     {moveKeyEdit("A.Plain", 0, 100)},
     "    0        1      step     # first\n    72       2.5    linear\n",
     "    72       2.5    linear\n    100      1      step     # first\n"},
    {"BAR:BEAT stays short on a beat", {moveKeyEdit("B.Musical", 176, 160)}, "    2:3         1", "    2:2         1"},
    {"BAR:BEAT grows a row off the beat", {moveKeyEdit("B.Musical", 176, 161)}, "    2:3         1", "    2:2:1       1"},
    {"a padded row stays padded", {moveKeyEdit("B.Musical", 216, 217)}, "3:1:08", "3:1:09"},
    {"a new key in the form and columns of the key before",
     {setKeyEdit("B.Musical", 96, 0.75f)},
     "# musical\n", "# musical\n    1:2:0       0.75  smooth\n"},
    {"a new first key as the key after, linear, nearest marker",
     {setKeyEdit("C.Marker", 8 * 64, 2.0f)},
     "# relative\n", "# relative\n    @build:0:0      2      linear\n"},
    {"a delete takes the whole line", {deleteKeyEdit("A.Plain", 72)}, "    72       2.5    linear\n", ""},
    {"a track the text does not name gets a section at the end",
     {setKeyEdit("D.New", 64, 1.0f, 3)},
     "      smooth\n", "      smooth\n\ntrack D.New\n    64       1      ramp\n"},
    {"a move onto a held row replaces the key there",
     {moveKeyEdit("A.Plain", 0, 72)},
     "    0        1      step     # first\n    72       2.5    linear\n",
     "    72       1      step     # first\n"},
    {"a step of two edits", {setKeyEdit("A.Plain", 0, 5.0f), deleteKeyEdit("C.Marker", kMain)},
     "    0        1      step     # first\n", "    0        5      step     # first\n"},
};

TEST(TimelineEdit, EachEditWritesExactlyTheExpectedTextAndUndoesToTheSameBytes)
{
    for (const RoundTrip& trip : kRoundTrips) {
        SCOPED_TRACE(trip.name);
        std::string expected = kText;
        size_t at = expected.find(trip.before);
        ASSERT_NE(at, std::string::npos);
        expected.replace(at, trip.before.size(), trip.after);
        if (trip.step.size() == 2) {
            const std::string removed = "    @main:0:0       1      step\n";
            expected.erase(expected.find(removed), removed.size());
        }
        TimelineDocument document;
        ASSERT_TRUE(document.load(kText));
        std::string problem;
        ASSERT_TRUE(document.apply(trip.step, problem)) << problem;
        EXPECT_EQ(document.text, expected);
        EXPECT_TRUE(document.errors.empty());
        ASSERT_TRUE(document.undo(problem));
        EXPECT_EQ(document.text, kText);
        ASSERT_TRUE(document.redo(problem));
        EXPECT_EQ(document.text, expected);
    }
}

// A dragged key's value is written with no more digits than the drag could place:
// the fewest decimals within half a pixel of where the mouse left it.
TEST(TimelineEdit, ADraggedValueIsWrittenAsTheShortestDecimalWithinHalfAPixel)
{
    const struct {
        float dragged;
        float halfPixel;
        const char* written;
    } cases[] = {
        {0.5459259f, 0.0005f, "0.546"},  // a 1-wide range over 1,000 pixels
        {0.5459259f, 0.005f, "0.55"},
        {0.5459259f, 0.05f, "0.5"},
        {0.5459259f, 0.5f, "1"},
        {-12.34567f, 0.01f, "-12.35"},
        {99.996f, 0.005f, "100"},
        {0.0004f, 0.0005f, "0"},
        {1234.5678f, 0.0f, "1234.5677"},  // no tolerance: the float itself
        {250000.0f, 0.0f, "250000"},      // plain, never 2.5e+05
        {1e20f, 0.0f, "1e+20"},
    };
    for (const auto& c : cases) {
        const float value = shortestValueWithin(c.dragged, c.halfPixel);
        EXPECT_EQ(formatValue(value), c.written) << c.dragged << " within " << c.halfPixel;
        EXPECT_LE(std::fabs(value - c.dragged), c.halfPixel) << c.dragged << " within " << c.halfPixel;
    }
}

TEST(TimelineEdit, AStepThatDoesNotApplyLeavesTheTextAndTheHistory)
{
    TimelineDocument document;
    ASSERT_TRUE(document.load(kText));
    std::string problem;
    EXPECT_FALSE(document.apply({setKeyEdit("A.Plain", 0, 9.0f), deleteKeyEdit("A.Plain", 5)}, problem));
    EXPECT_EQ(problem, "A.Plain has no key at 0:0:5");
    EXPECT_EQ(document.text, kText);
    EXPECT_FALSE(document.canUndo());
    ASSERT_FALSE(document.load(kText + "    9 1 stpe\n"));
    EXPECT_FALSE(document.apply({setKeyEdit("A.Plain", 0, 9.0f)}, problem));
    EXPECT_EQ(problem, "the text has errors: line 19: unknown interpolation 'stpe'; use step, linear, smooth or ramp");
}

// The keys of every track, kept beside the document as the edits should leave them.
using Model = std::map<std::string, std::map<int32_t, TrackKey>>;

Model modelOf(const TimelineDocument& document)
{
    Model model;
    for (const SourceTrack& track : document.parsed.tracks) {
        for (const TrackKey& key : track.keys) {
            model[track.name][key.row] = key;
        }
    }
    return model;
}

bool sameKeys(const Model& a, const Model& b)
{
    auto keysOf = [](const Model& model) {
        std::map<std::string, std::vector<std::tuple<int32_t, uint32_t, int32_t>>> keys;
        for (const auto& track : model) {
            for (const auto& key : track.second) {
                uint32_t bits;
                std::memcpy(&bits, &key.second.value, sizeof bits);
                keys[track.first].emplace_back(key.first, bits, key.second.interpolation);
            }
        }
        return keys;
    };
    return keysOf(a) == keysOf(b);
}

// A random edit that applies to the model, and the model as it leaves it.
TimelineEdit randomEdit(std::mt19937& random, Model& model)
{
    const float values[] = {0.0f, 1.0f, 0.3f, -0.15f, 1e-7f, 123456.789f, -2.5e10f};
    auto pick = [&random](size_t count) { return std::uniform_int_distribution<size_t>(0, count - 1)(random); };
    std::vector<std::string> names;
    for (const auto& track : model) {
        names.push_back(track.first);
    }
    std::string name = pick(50) == 0 ? "New.Track" + std::to_string(pick(3)) : names[pick(names.size())];
    std::map<int32_t, TrackKey>& keys = model[name];
    int32_t row = std::uniform_int_distribution<int32_t>(-100, 80 * 64)(random);
    float value = values[pick(std::size(values))];
    int32_t kind = static_cast<int32_t>(pick(4));
    if (keys.empty() || pick(3) == 0) {
        int32_t before = keys.lower_bound(row) == keys.begin() ? 1 : std::prev(keys.lower_bound(row))->second.interpolation;
        int32_t kept = keys.count(row) != 0 ? keys[row].interpolation : before;
        keys[row] = TrackKey{row, value, kept};
        return TimelineEdit{EditAction::Set, name, row, 0, value, true, 0, false};
    }
    auto key = std::next(keys.begin(), static_cast<long>(pick(keys.size())));
    TimelineEdit edit{static_cast<EditAction>(pick(4)), name, key->first, row, value, true, kind, true};
    switch (edit.action) {
    case EditAction::Set:
    case EditAction::Kind:
        key->second.value = edit.action == EditAction::Set ? value : key->second.value;
        key->second.interpolation = kind;
        break;
    case EditAction::Delete:
        keys.erase(key);
        break;
    case EditAction::Move: {
        TrackKey moved = key->second;
        keys.erase(key);
        moved.row = row;
        keys[row] = moved;
        break;
    }
    }
    return edit;
}

TEST(TimelineEdit, ThousandRandomStepsOnTheDemoKeepTheModelAndUndoToTheSameBytes)
{
    constexpr int kSteps = 1000;
    constexpr size_t kMostEditsInAStep = 3;
    std::string original = readFile(sourceDir() + "/res/sync/demo.timeline");
    TimelineDocument document;
    ASSERT_TRUE(document.load(original));
    Model model = modelOf(document);
    std::mt19937 random(21);
    for (int i = 0; i < kSteps; ++i) {
        std::vector<TimelineEdit> step(std::uniform_int_distribution<size_t>(1, kMostEditsInAStep)(random));
        for (TimelineEdit& edit : step) {
            edit = randomEdit(random, model);
        }
        std::string problem;
        ASSERT_TRUE(document.apply(step, problem)) << "step " << i << ": " << problem;
        ASSERT_TRUE(sameKeys(modelOf(document), model)) << "step " << i;
    }
    std::string problem;
    for (int i = 0; i < kSteps && document.canUndo(); ++i) {
        ASSERT_TRUE(document.undo(problem));
    }
    EXPECT_EQ(document.text, original);
}

}
