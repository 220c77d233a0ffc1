#include "engine/Config.h"

#include "TestPaths.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <random>
#include <regex>
#include <string>

namespace {

using Entries = std::map<std::string, std::string>;
using namespace std::string_literals;

struct ParseCase {
    const char* name;
    std::string text;
    Entries expected;
};

const ParseCase kParseCases[] = {
    {"four settings", "ViewportWidth = 1280;\nViewportHeight = 720;\nMSAA = 4;\nFullscreen = false;\n",
     {{"ViewportWidth", "1280"}, {"ViewportHeight", "720"}, {"MSAA", "4"}, {"Fullscreen", "false"}}},
    {"CRLF line ends", "ViewportWidth = 1280;\r\nMSAA = 4;\r\n", {{"ViewportWidth", "1280"}, {"MSAA", "4"}}},
    {"empty text", "", {}},
    {"no space before =", "MSAA=4;", {}},
    {"no space after =", "MSAA =4;", {}},
    {"two spaces after =", "MSAA =  4;", {}},
    {"no semicolon", "MSAA = 4", {}},
    {"space before semicolon", "MSAA = 4 ;", {}},
    {"line end before semicolon", "MSAA = 4\n;", {}},
    {"inside what looks like a comment", "# MSAA = 2;\n", {{"MSAA", "2"}}},
    {"first occurrence wins", "ViewportWidth = 800;\nother text\nViewportWidth = 1024;\n", {{"ViewportWidth", "800"}}},
    {"two entries on one line", "MSAA = 8;MSAA = 2;", {{"MSAA", "8"}}},
    {"next entry right after the semicolon", "A = 1;B = 2;", {{"A", "1"}, {"B", "2"}}},
    {"entry over three lines", "MSAA\n=\n4;\n", {{"MSAA", "4"}}},
    {"any white space before =", "MSAA \t\r\n\v\f = 4;", {{"MSAA", "4"}}},
    {"vertical tab and form feed count as white space", "MSAA\v=\f4;", {{"MSAA", "4"}}},
    {"key in another case", "msaa = 4;", {{"msaa", "4"}}},
    {"key is the whole word before the gap", "xMSAA = 4;", {{"xMSAA", "4"}}},
    {"key is only the last word", "set MSAA = 4;", {{"MSAA", "4"}}},
    {"key may hold = and ;", "a=b;c = 1;", {{"a=b;c", "1"}}},
    {"value ends at its first semicolon", "K = a;b;", {{"K", "a"}}},
    {"value may begin with a semicolon", "K = ;;", {{"K", ";"}}},
    {"value with = in it", "K = a=b;", {{"K", "a=b"}}},
    {"a failed = becomes a key", "K  =  = 1;", {{"=", "1"}}},
    {"text ends at the first NUL", "MSAA = 4;\0ViewportWidth = 800;"s, {{"MSAA", "4"}}},
    {"NUL as first byte", "\0MSAA = 4;"s, {}},
    {"NUL inside an entry", "MSAA = 4\0;"s, {}},
    {"bytes above 0x7f are not white space", "K\xa0= 1;\nK = \xa0;", {{"K", "\xa0"}}},
};

TEST(Config, ParsesEntriesLikeThePattern)
{
    for (const ParseCase& testCase : kParseCases) {
        SCOPED_TRACE(testCase.name);
        Config config;
        config.parse(testCase.text);
        EXPECT_EQ(config.entries, testCase.expected);
    }
}

// Everything after a missing key's lookup must stay as it was: lookups never add keys.
TEST(Config, Getters)
{
    struct IntCase {
        const char* value;
        int expected;
    };
    const IntCase intCases[] = {
        {"1280", 1280},
        {"1280px", 1280},
        {"abc", 0},
        {"0x10", 0},
        {"-", 0},
        {"-5", -5},
        {"+7", 7},
        {"007", 7},
        {"4;", 4},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"99999999999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},
        {"-99999999999999999999999999", INT_MIN},
    };
    for (const IntCase& testCase : intCases) {
        SCOPED_TRACE(testCase.value);
        Config config;
        config.parse("Value = "s + testCase.value + ";");
        EXPECT_EQ(config.getInt("Value"), testCase.expected);
    }

    struct BoolCase {
        const char* value;
        bool expected;
    };
    const BoolCase boolCases[] = {
        {"true", true}, {"TRUE", true}, {"True", true}, {"tRuE", true},
        {"false", false}, {"1", false}, {"yes", false}, {"on", false}, {"true1", false}, {"truth", false},
    };
    for (const BoolCase& testCase : boolCases) {
        SCOPED_TRACE(testCase.value);
        Config config;
        config.parse("Fullscreen = "s + testCase.value + ";");
        EXPECT_EQ(config.getBool("Fullscreen"), testCase.expected);
    }

    Config config;
    config.parse("msaa = 4;\nFullscreen = yes;\n");
    EXPECT_EQ(config.getInt("MSAA"), -1);
    EXPECT_EQ(config.getString("MSAA"), "");
    EXPECT_FALSE(config.getBool("Missing"));
    EXPECT_EQ(config.entries.size(), 2u);
}

// The scanner must find exactly what the regular expression finds, searching for
// the leftmost match and going on after each match's ';'. std::regex is the
// reference here; it is only safe on short texts.
Entries entriesByRegex(const std::string& text)
{
    static const std::regex pattern("(\\S+?)\\s+=\\s(\\S+?);", std::regex::ECMAScript);
    Entries entries;
    std::string body = text.substr(0, text.find('\0'));
    for (std::sregex_iterator it(body.begin(), body.end(), pattern), end; it != end; ++it) {
        entries.emplace((*it)[1].str(), (*it)[2].str());
    }
    return entries;
}

TEST(Config, FindsWhatTheRegularExpressionFinds)
{
    // Pieces that make entries likely, mixed with every kind of white space and some noise.
    const std::string pieces[] = {"K", "MSAA", "v", "4", "=", ";", " ", " ", "\t", "\n", "\r\n", "\v", "\f",
                                  " = ", "= ", " =", "#", "\xa0", "x", "K = v;", ";;", "=;"};
    std::mt19937 random(12345);
    std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> length(0, 14);
    int textsWithEntries = 0;
    for (int round = 0; round < 200000; ++round) {
        std::string text;
        for (int n = length(random); n > 0; --n) {
            text += pieces[pick(random)];
        }
        Config config;
        config.parse(text);
        Entries expected = entriesByRegex(text);
        ASSERT_EQ(config.entries, expected) << "text: \"" << text << "\"";
        textsWithEntries += expected.empty() ? 0 : 1;
    }
    // Guards the generator: the comparison means little if hardly any text held an entry.
    EXPECT_GT(textsWithEntries, 20000);
}

TEST(Config, LongJunkTextEndsAndStillFindsEntries)
{
    // One long word, then lines of junk: a backtracking matcher recurses per character here.
    std::string text(10 * 1024 * 1024, 'x');
    for (int i = 0; i < 100000; ++i) {
        text += "MSAA=4; MSAA =  4; #\n";
    }
    text += " MSAA = 4;";
    Config config;
    config.parse(text);
    EXPECT_EQ(config.entries, (Entries{{"MSAA", "4"}}));
}

class ConfigFile : public ::testing::Test {
protected:
    void SetUp() override { dir = testing_support::makeTempDir("morlenth-config"); }
    void TearDown() override { testing_support::removeTree(dir); }
    std::string path(const std::string& name) const { return dir + "/" + name; }
    std::string dir;
};

TEST_F(ConfigFile, ReadsRealFiles)
{
    struct FileCase {
        const char* name;
        std::string bytes;
        Entries expected;
    };
    const FileCase cases[] = {
        {"repository layout", "ViewportWidth = 1280;\nViewportHeight = 720;\nMSAA = 4;\nFullscreen = false;\n",
         {{"ViewportWidth", "1280"}, {"ViewportHeight", "720"}, {"MSAA", "4"}, {"Fullscreen", "false"}}},
        {"CRLF, read as raw bytes", "MSAA = 4;\r\nFullscreen = TRUE;\r\n", {{"MSAA", "4"}, {"Fullscreen", "TRUE"}}},
        {"empty file", "", {}},
        {"first byte NUL", "\0MSAA = 4;\n"s, {}},
        {"NUL after an entry", "MSAA = 4;\n\0ViewportWidth = 1;\n"s, {{"MSAA", "4"}}},
        {"long junk before an entry", std::string(10 * 1024 * 1024, '#') + "\nMSAA = 2;\n", {{"MSAA", "2"}}},
    };
    for (const FileCase& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        testing_support::writeFile(path("Config.txt"), testCase.bytes);
        Config config;
        EXPECT_TRUE(config.read(path("Config.txt").c_str()));
        EXPECT_EQ(config.entries, testCase.expected);
    }
}

TEST_F(ConfigFile, MissingFileFailsAndKeepsEntries)
{
    Config config;
    config.parse("MSAA = 4;");
    EXPECT_FALSE(config.read(path("Config.txt").c_str()));
    EXPECT_EQ(config.entries, (Entries{{"MSAA", "4"}}));
}

}
