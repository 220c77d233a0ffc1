#include "TestPaths.h"
#include "render/ReadWholeFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include <unistd.h>

using namespace testing_support;

namespace {

constexpr int32_t kUntouched = -12345;

class ReadWholeFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = makeTempDir("morlenth-read");
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override { removeTree(dir); }

    std::string dir;
};

TEST_F(ReadWholeFileTest, ReadsEveryByteAndAddsNoTerminator)
{
    const std::string contents[] = {
        std::string("void main() {}"),
        std::string("a\0b\r\n\xff\x00", 7),
        std::string(100000, 'x') + "end",
    };
    for (const std::string& bytes : contents) {
        const std::string path = dir + "/file.bin";
        writeFile(path, bytes);
        int32_t length = kUntouched;
        std::unique_ptr<unsigned char[]> buffer(readWholeFile(path.c_str(), &length));
        ASSERT_NE(nullptr, buffer);
        ASSERT_EQ(static_cast<int32_t>(bytes.size()), length);
        EXPECT_EQ(bytes, std::string(reinterpret_cast<const char*>(buffer.get()), static_cast<size_t>(length)));
    }
}

TEST_F(ReadWholeFileTest, EmptyFileGivesABufferOfLengthZero)
{
    const std::string path = dir + "/empty";
    writeFile(path, "");
    int32_t length = kUntouched;
    std::unique_ptr<unsigned char[]> buffer(readWholeFile(path.c_str(), &length));
    EXPECT_NE(nullptr, buffer);
    EXPECT_EQ(0, length);
}

TEST_F(ReadWholeFileTest, UnreadableFileGivesNullAndLeavesLengthAlone)
{
    // A directory opens on Linux, but has no length to read.
    for (const std::string& path : {dir + "/missing.txt", dir, std::string()}) {
        SCOPED_TRACE(path);
        int32_t length = kUntouched;
        EXPECT_EQ(nullptr, readWholeFile(path.c_str(), &length));
        EXPECT_EQ(kUntouched, length);
    }
}

TEST_F(ReadWholeFileTest, FileLongerThanASigned32BitCountIsUnreadable)
{
    const std::string path = dir + "/huge.bin";
    writeFile(path, "");
    // Sparse: no disk space is used, the length alone is past INT32_MAX.
    if (truncate(path.c_str(), static_cast<off_t>(INT32_MAX) + 2) != 0) {
        GTEST_SKIP() << "cannot make a sparse file here";
    }
    int32_t length = kUntouched;
    EXPECT_EQ(nullptr, readWholeFile(path.c_str(), &length));
    EXPECT_EQ(kUntouched, length);
}

}
