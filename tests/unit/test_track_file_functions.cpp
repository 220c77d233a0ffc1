#include "timeline/TrackStore.h"

#include "TrackFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// Track reading goes through the store's three file functions; these tests point them at
// memory and at recorders to see exactly what the loader asks for.
namespace {

using testing_support::keyBytes;
using testing_support::le32;

std::string fileBytes;
std::vector<std::string> openedPaths;
int openFiles = 0;

FILE* openFromMemory(const char* path, const char* mode)
{
    openedPaths.push_back(path);
    EXPECT_STREQ(mode, "rb");
    if (fileBytes.empty()) {
        return nullptr;
    }
    ++openFiles;
    return fmemopen(&fileBytes[0], fileBytes.size(), mode);
}

int closeCounted(FILE* file)
{
    --openFiles;
    return std::fclose(file);
}

// A source that hands out one item per call, as a pipe or a slow device may.
size_t readOneAtATime(void* buffer, size_t size, size_t count, FILE* file)
{
    return std::fread(buffer, size, count > 0 ? 1 : 0, file);
}

class FileFunctionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fileBytes.clear();
        openedPaths.clear();
        openFiles = 0;
    }
    TrackStore* makeStore(const std::string& basePath)
    {
        TrackStore* store = createTrackStore(basePath.c_str());
        store->openFile = openFromMemory;
        store->closeFile = closeCounted;
        return store;
    }
};

TEST_F(FileFunctionsTest, DefaultsAreTheStandardFileFunctions)
{
    TrackStore* store = createTrackStore("res/sync/");
    ASSERT_NE(store, nullptr);
    EXPECT_STREQ(store->basePath, "res/sync/");
    EXPECT_EQ(store->openFile, &std::fopen);
    EXPECT_EQ(store->readFile, &std::fread);
    EXPECT_EQ(store->closeFile, &std::fclose);
    EXPECT_EQ(store->trackCount, 0);
    destroyTrackStore(store);
}

TEST_F(FileFunctionsTest, FileIsOpenedOnceAndClosed)
{
    fileBytes = le32(2) + keyBytes(0, 0.0f, 1) + keyBytes(32, 1.0f, 0);
    TrackStore* store = makeStore("res/sync/");
    Track* track = getTrack(store, "FX.Fade");
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(getTrack(store, "FX.Fade"), track);
    }
    ASSERT_EQ(openedPaths.size(), 1u);
    EXPECT_EQ(openedPaths[0], "res/sync/_FX.Fade.track");
    EXPECT_EQ(openFiles, 0);
    EXPECT_EQ(track->keyCount, 2);
    destroyTrackStore(store);
}

TEST_F(FileFunctionsTest, ShortReadsStillGiveEveryKey)
{
    for (int32_t i = 0; i < 1500; ++i) {
        fileBytes += keyBytes(i * 2, static_cast<float>(i), i % 4);
    }
    fileBytes = le32(1500) + fileBytes;
    TrackStore* store = makeStore("");
    store->readFile = readOneAtATime;
    Track* track = getTrack(store, "Long");
    ASSERT_EQ(track->keyCount, 1500);
    for (int32_t i = 0; i < 1500; ++i) {
        EXPECT_EQ(track->keys[i].row, i * 2);
        EXPECT_EQ(track->keys[i].value, static_cast<float>(i));
        EXPECT_EQ(track->keys[i].interpolation, i % 4);
    }
    destroyTrackStore(store);
}

TEST_F(FileFunctionsTest, PathsThatDoNotFitAreNeverOpened)
{
    fileBytes = le32(1) + keyBytes(0, 5.0f, 0);
    // base + "_" + name + ".track" must stay within 259 characters.
    struct LengthCase {
        size_t baseLength;
        size_t nameLength;
        bool opened;
    };
    const LengthCase cases[] = {
        {9, 243, true}, {9, 244, false}, {0, 252, true}, {0, 253, false},
        {259, 1, false}, {300, 4, false}, {252, 0, true},
    };
    for (const LengthCase& c : cases) {
        openedPaths.clear();
        TrackStore* store = makeStore(std::string(c.baseLength, 'b'));
        std::string name(c.nameLength, 'n');
        Track* track = getTrack(store, name.c_str());
        ASSERT_NE(track, nullptr);
        std::string expectedPath = std::string(c.baseLength, 'b') + "_" + name + ".track";
        if (c.opened) {
            ASSERT_EQ(openedPaths.size(), 1u) << c.baseLength << "+" << c.nameLength;
            EXPECT_EQ(openedPaths[0], expectedPath);
            EXPECT_EQ(track->keyCount, 1);
        } else {
            EXPECT_TRUE(openedPaths.empty()) << c.baseLength << "+" << c.nameLength;
            EXPECT_EQ(track->keyCount, 0);
            EXPECT_EQ(trackValue(track, 3.0), 0.0);
        }
        EXPECT_STREQ(track->name, name.c_str());
        EXPECT_EQ(store->trackCount, 1);
        destroyTrackStore(store);
    }
}

TEST_F(FileFunctionsTest, UnopenableFileLeavesTheTrackEmpty)
{
    TrackStore* store = makeStore("res/sync/");
    Track* track = getTrack(store, "Grid.Visible");
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(track->keyCount, 0);
    EXPECT_EQ(loadTrackFile(store, track), -1);
    EXPECT_EQ(openFiles, 0);
    destroyTrackStore(store);
}

}
