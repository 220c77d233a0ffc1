#include "GlTestContext.h"
#include "ImageFiles.h"
#include "TestPaths.h"
#include "render/Texture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace testing_support;

namespace {

// Every pixel says where it came from, so a read-back shows which image pixel
// landed where: red and green are x and y modulo 256, blue their high bits.
std::vector<uint8_t> positionImage(int width, int height, int channels)
{
    std::vector<uint8_t> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint8_t rgba[4] = {static_cast<uint8_t>(x), static_cast<uint8_t>(y),
                                     static_cast<uint8_t>((x >> 8) | ((y >> 8) << 4)), 255};
            if (channels <= 2) {
                pixels.push_back(static_cast<uint8_t>(x * 16 + y));
                if (channels == 2) {
                    pixels.push_back(static_cast<uint8_t>(255 - y));
                }
            } else {
                pixels.insert(pixels.end(), rgba, rgba + channels);
            }
        }
    }
    return pixels;
}

// The RGBA that a decoder expanding to four channels makes of a pixel.
std::vector<uint8_t> asRgba(const std::vector<uint8_t>& pixels, int channels)
{
    std::vector<uint8_t> rgba;
    for (size_t i = 0; i < pixels.size(); i += static_cast<size_t>(channels)) {
        const uint8_t* p = &pixels[i];
        switch (channels) {
        case 1: rgba.insert(rgba.end(), {p[0], p[0], p[0], 255}); break;
        case 2: rgba.insert(rgba.end(), {p[0], p[0], p[0], p[1]}); break;
        case 3: rgba.insert(rgba.end(), {p[0], p[1], p[2], 255}); break;
        default: rgba.insert(rgba.end(), {p[0], p[1], p[2], p[3]}); break;
        }
    }
    return rgba;
}

GLint levelParameter(GLenum target, GLuint texture, int level, GLenum name)
{
    glBindTexture(target, texture);
    GLint value = -1;
    glGetTexLevelParameteriv(target, level, name, &value);
    glBindTexture(target, 0);
    return value;
}

GLint textureParameter(GLenum target, GLuint texture, GLenum name)
{
    glBindTexture(target, texture);
    GLint value = -1;
    glGetTexParameteriv(target, name, &value);
    glBindTexture(target, 0);
    return value;
}

// Mesa never reuses texture names, so the distance between two probe names
// counts the textures made in between.
class TextureNameProbe {
public:
    TextureNameProbe() : first(probe()) {}
    GLuint texturesMadeSince() { return probe() - first - 1; }

private:
    static GLuint probe()
    {
        GLuint name = 0;
        glGenTextures(1, &name);
        glDeleteTextures(1, &name);
        return name;
    }
    GLuint first;
};

class TextureTest : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        dir = makeTempDir("morlenth-texture");
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override
    {
        removeTree(dir);
        GlTest::TearDown();
    }
    std::string path(const std::string& name) const { return dir + "/" + name; }

    std::string dir;
};

struct PngCase {
    const char* label;
    int channels;
    int width;
    int height;
};

TEST_F(TextureTest, PngOfAnyChannelCountLoadsAsRgbaTopRowFirst)
{
    const PngCase cases[] = {
        {"grey", 1, 7, 5},
        {"grey and alpha", 2, 3, 9},
        {"RGB", 3, 13, 6},
        {"RGBA", 4, 4, 4},
    };
    for (const PngCase& c : cases) {
        SCOPED_TRACE(c.label);
        const std::vector<uint8_t> pixels = positionImage(c.width, c.height, c.channels);
        ASSERT_TRUE(writePng(path("image.png"), c.width, c.height, c.channels, pixels));
        Texture texture;
        ASSERT_TRUE(texture.loadFromFile(path("image.png").c_str(), false));
        EXPECT_NE(0u, texture.id);
        EXPECT_EQ(static_cast<GLenum>(GL_RGBA), texture.internalFormat);
        EXPECT_EQ(c.width, texture.width);
        EXPECT_EQ(c.height, texture.height);
        EXPECT_FALSE(texture.cubeMap);
        EXPECT_EQ(c.width, levelParameter(GL_TEXTURE_2D, texture.id, 0, GL_TEXTURE_WIDTH));
        EXPECT_EQ(c.height, levelParameter(GL_TEXTURE_2D, texture.id, 0, GL_TEXTURE_HEIGHT));
        // Rows in the file's order: the file's first row is GL row 0 (t = 0).
        EXPECT_EQ(asRgba(pixels, c.channels), readTextureRgba8(texture.id));
        texture.release();
        EXPECT_FALSE(glIsTexture(texture.id));
    }
}

TEST_F(TextureTest, FirstFileRowIsFirstGlRow)
{
    // Top row red, bottom row blue: nothing may flip it.
    const std::vector<uint8_t> pixels = {255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255};
    ASSERT_TRUE(writePng(path("rows.png"), 2, 2, 3, pixels));
    Texture texture;
    ASSERT_TRUE(texture.loadFromFile(path("rows.png").c_str(), false));
    const std::vector<uint8_t> rows = readTextureRgba8(texture.id);
    ASSERT_EQ(16u, rows.size());
    EXPECT_EQ((std::vector<uint8_t>{255, 0, 0, 255}), std::vector<uint8_t>(rows.begin(), rows.begin() + 4));
    EXPECT_EQ((std::vector<uint8_t>{0, 0, 255, 255}), std::vector<uint8_t>(rows.begin() + 8, rows.begin() + 12));
    texture.release();
}

struct StorageCase {
    GLenum internalFormat;
    bool colour; // colour storage gets a mipmap chain and trilinear filtering
};

TEST_F(TextureTest, EmptyColourStorageHasMipmapsAndDepthStorageKeepsDefaults)
{
    const StorageCase cases[] = {
        {GL_RGBA16F, true},           {GL_RGBA, true},
        {GL_R16F, true},              {GL_DEPTH_COMPONENT32, false},
        {GL_DEPTH_COMPONENT24, false}, {GL_DEPTH_COMPONENT16, false},
    };
    constexpr int kWidth = 64;
    constexpr int kHeight = 16;
    for (const StorageCase& c : cases) {
        SCOPED_TRACE(c.internalFormat);
        Texture texture;
        ASSERT_TRUE(texture.create(kWidth, kHeight, nullptr, c.internalFormat, false, 0));
        EXPECT_EQ(0u, glGetError());
        EXPECT_EQ(c.internalFormat, texture.internalFormat);
        EXPECT_EQ(kWidth, texture.width);
        // An unsized GL_RGBA is stored as the driver likes; sized formats come back as asked.
        if (c.internalFormat != GL_RGBA) {
            EXPECT_EQ(static_cast<GLint>(c.internalFormat),
                      levelParameter(GL_TEXTURE_2D, texture.id, 0, GL_TEXTURE_INTERNAL_FORMAT));
        }
        const bool depth = levelParameter(GL_TEXTURE_2D, texture.id, 0, GL_TEXTURE_DEPTH_SIZE) > 0;
        EXPECT_EQ(!c.colour, depth);
        // The last level of the chain is 1 x 1, at log2(64) = 6.
        EXPECT_EQ(c.colour ? kWidth / 2 : 0, levelParameter(GL_TEXTURE_2D, texture.id, 1, GL_TEXTURE_WIDTH));
        EXPECT_EQ(c.colour ? 1 : 0, levelParameter(GL_TEXTURE_2D, texture.id, 6, GL_TEXTURE_WIDTH));
        EXPECT_EQ(GL_LINEAR, textureParameter(GL_TEXTURE_2D, texture.id, GL_TEXTURE_MAG_FILTER));
        EXPECT_EQ(c.colour ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR,
                  textureParameter(GL_TEXTURE_2D, texture.id, GL_TEXTURE_MIN_FILTER));
        EXPECT_EQ(GL_REPEAT, textureParameter(GL_TEXTURE_2D, texture.id, GL_TEXTURE_WRAP_S));
        texture.release();
    }
}

TEST_F(TextureTest, SamplesMakeAMultisampledTexture)
{
    for (GLenum format : {GLenum(GL_RGBA16F), GLenum(GL_DEPTH_COMPONENT32)}) {
        SCOPED_TRACE(format);
        Texture texture;
        ASSERT_TRUE(texture.create(32, 16, nullptr, format, false, 4));
        EXPECT_EQ(0u, glGetError());
        EXPECT_EQ(4, levelParameter(GL_TEXTURE_2D_MULTISAMPLE, texture.id, 0, GL_TEXTURE_SAMPLES));
        EXPECT_EQ(GL_FALSE, levelParameter(GL_TEXTURE_2D_MULTISAMPLE, texture.id, 0, GL_TEXTURE_FIXED_SAMPLE_LOCATIONS));
        EXPECT_EQ(32, levelParameter(GL_TEXTURE_2D_MULTISAMPLE, texture.id, 0, GL_TEXTURE_WIDTH));
        // A texture belongs to the target it was first bound to.
        glBindTexture(GL_TEXTURE_2D, texture.id);
        EXPECT_EQ(static_cast<GLenum>(GL_INVALID_OPERATION), glGetError());
        glBindTexture(GL_TEXTURE_2D, 0);
        texture.release();
    }
}

struct CrossBlock {
    GLenum face;
    int column;
    int row;
    bool halfTurn;
};

constexpr CrossBlock kCross[] = {
    {GL_TEXTURE_CUBE_MAP_POSITIVE_X, 2, 1, false}, {GL_TEXTURE_CUBE_MAP_NEGATIVE_X, 0, 1, false},
    {GL_TEXTURE_CUBE_MAP_POSITIVE_Y, 1, 0, false}, {GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, 1, 2, false},
    {GL_TEXTURE_CUBE_MAP_POSITIVE_Z, 1, 1, false}, {GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, 1, 3, true},
};

// The face as it must come out of the cross image (RGBA, rows in image order).
std::vector<uint8_t> expectedFace(const std::vector<uint8_t>& image, int imageWidth, int faceWidth, int faceHeight,
                                  const CrossBlock& block)
{
    std::vector<uint8_t> face;
    for (int y = 0; y < faceHeight; ++y) {
        for (int x = 0; x < faceWidth; ++x) {
            const int fx = block.halfTurn ? faceWidth - 1 - x : x;
            const int fy = block.halfTurn ? faceHeight - 1 - y : y;
            const size_t at = (static_cast<size_t>(block.row * faceHeight + fy) * imageWidth +
                               static_cast<size_t>(block.column * faceWidth + fx)) * 4;
            for (size_t i = 0; i < 4; ++i) {
                face.push_back(image[at + i]);
            }
        }
    }
    return face;
}

struct CrossCase {
    int width;
    int height;
    int faceWidth;
    int faceHeight;
};

TEST_F(TextureTest, CrossImageBecomesSixCubeFaces)
{
    // The second cross does not divide evenly: its leftover columns and rows are ignored.
    for (const CrossCase& c : {CrossCase{384, 512, 128, 128}, CrossCase{386, 515, 128, 128}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const std::vector<uint8_t> image = positionImage(c.width, c.height, 4);
        ASSERT_TRUE(writePng(path("cross.png"), c.width, c.height, 4, image));
        Texture texture;
        ASSERT_TRUE(texture.loadFromFile(path("cross.png").c_str(), true));
        EXPECT_EQ(0u, glGetError());
        EXPECT_TRUE(texture.cubeMap);
        EXPECT_EQ(c.width, texture.width);
        EXPECT_EQ(c.height, texture.height);
        for (const CrossBlock& block : kCross) {
            SCOPED_TRACE(block.face);
            glBindTexture(GL_TEXTURE_CUBE_MAP, texture.id);
            GLint faceWidth = 0;
            GLint faceHeight = 0;
            GLint mipWidth = 0;
            glGetTexLevelParameteriv(block.face, 0, GL_TEXTURE_WIDTH, &faceWidth);
            glGetTexLevelParameteriv(block.face, 0, GL_TEXTURE_HEIGHT, &faceHeight);
            glGetTexLevelParameteriv(block.face, 1, GL_TEXTURE_WIDTH, &mipWidth);
            glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
            EXPECT_EQ(c.faceWidth, faceWidth);
            EXPECT_EQ(c.faceHeight, faceHeight);
            EXPECT_EQ(c.faceWidth / 2, mipWidth);
            EXPECT_TRUE(expectedFace(image, c.width, c.faceWidth, c.faceHeight, block) ==
                        readTextureRgba8(texture.id, block.face));
        }
        texture.release();
    }
}

TEST_F(TextureTest, CrossFromMemoryAndEmptyCrossStorage)
{
    const std::vector<uint8_t> image = positionImage(6, 8, 4);
    Texture fromMemory;
    ASSERT_TRUE(fromMemory.create(6, 8, image.data(), GL_RGBA8, true, 0));
    EXPECT_EQ(expectedFace(image, 6, 2, 2, kCross[5]), readTextureRgba8(fromMemory.id, kCross[5].face));
    fromMemory.release();

    // Storage only: there is no image to cut the faces from.
    Texture storage;
    ASSERT_TRUE(storage.create(6, 8, nullptr, GL_RGBA8, true, 0));
    glBindTexture(GL_TEXTURE_CUBE_MAP, storage.id);
    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, 0, GL_TEXTURE_WIDTH, &width);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    EXPECT_EQ(2, width);
    storage.release();
}

TEST_F(TextureTest, CrossWithoutSquareFacesFailsWithoutGlObject)
{
    // 389 / 3 = 129 against 515 / 4 = 128, and a cross too small for one pixel a face.
    for (const CrossCase& c : {CrossCase{389, 515, 129, 128}, CrossCase{2, 3, 0, 0}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        ASSERT_TRUE(writePng(path("cross.png"), c.width, c.height, 4, positionImage(c.width, c.height, 4)));
        Texture texture;
        TextureNameProbe probe;
        EXPECT_FALSE(texture.loadFromFile(path("cross.png").c_str(), true));
        EXPECT_EQ(0u, probe.texturesMadeSince());
        EXPECT_EQ(0u, texture.id);
    }
}

struct UnreadableImageCase {
    const char* label;
    std::string bytes;
};

TEST_F(TextureTest, FileThatIsNotAnImageFailsWithoutGlObject)
{
    const std::vector<uint8_t> pixels = positionImage(16, 16, 3);
    const std::string png = encodePng(16, 16, 3, pixels);
    ASSERT_FALSE(png.empty());
    std::string scrambled = png;
    for (size_t i = 40; i < scrambled.size() - 12; ++i) {
        scrambled[i] = static_cast<char>(scrambled[i] ^ 0x5a);
    }
    const UnreadableImageCase cases[] = {
        {"text", "this is not an image\n"},
        {"empty", ""},
        {"signature only", png.substr(0, 8)},
        {"truncated", png.substr(0, png.size() / 2)},
        {"scrambled data", scrambled},
    };
    for (const UnreadableImageCase& c : cases) {
        SCOPED_TRACE(c.label);
        writeFile(path("bad.png"), c.bytes);
        Texture texture;
        TextureNameProbe probe;
        LogCapture log;
        EXPECT_FALSE(texture.loadFromFile(path("bad.png").c_str(), false));
        EXPECT_EQ(0u, probe.texturesMadeSince());
        EXPECT_EQ(0u, texture.id);
        EXPECT_EQ(0, texture.width);
        EXPECT_TRUE(log.entries().empty());
    }
}

TEST_F(TextureTest, MissingFileFailsSilentlyWithoutGlObject)
{
    for (const std::string& missing : {path("nothing.png"), dir}) {
        SCOPED_TRACE(missing);
        Texture texture;
        TextureNameProbe probe;
        LogCapture log;
        EXPECT_FALSE(texture.loadFromFile(missing.c_str(), false));
        EXPECT_EQ(0u, probe.texturesMadeSince());
        EXPECT_EQ(0u, texture.id);
        EXPECT_TRUE(log.entries().empty());
    }
}

}
