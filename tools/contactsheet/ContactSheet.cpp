#include "ContactSheet.h"

#include "LabelFont.h"

#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kGap = 4;
constexpr uint8_t kGapShade = 40;
constexpr int kLabelScale = 2;
constexpr int kLabelMargin = 4;
constexpr int kLabelPadding = 3;
constexpr uint8_t kLabelBackground = 0;
constexpr uint8_t kLabelInk = 235;
constexpr int kChannels = 3;

}

bool ContactSheet::compose(const std::vector<SheetTile>& tiles, int columnCount)
{
    if (tiles.empty() || columnCount < 1) {
        return false;
    }
    columns = std::min<int>(columnCount, static_cast<int>(tiles.size()));
    int rows = (static_cast<int>(tiles.size()) + columns - 1) / columns;
    for (size_t i = 0; i < tiles.size(); ++i) {
        int w = 0;
        int h = 0;
        int channels = 0;
        uint8_t* image = stbi_load(tiles[i].path.c_str(), &w, &h, &channels, kChannels);
        if (image == nullptr) {
            std::fprintf(stderr, "contactsheet: cannot read %s\n", tiles[i].path.c_str());
            return false;
        }
        if (i == 0) {
            tileWidth = w;
            tileHeight = h;
            width = columns * tileWidth + (columns + 1) * kGap;
            height = rows * tileHeight + (rows + 1) * kGap;
            pixels.assign(static_cast<size_t>(width) * height * kChannels, kGapShade);
        }
        bool sameSize = w == tileWidth && h == tileHeight;
        if (sameSize) {
            place(image, static_cast<int>(i));
        }
        stbi_image_free(image);
        if (!sameSize) {
            std::fprintf(stderr, "contactsheet: %s is %dx%d, the first picture %dx%d\n", tiles[i].path.c_str(), w,
                         h, tileWidth, tileHeight);
            return false;
        }
        int left = kGap + (static_cast<int>(i) % columns) * (tileWidth + kGap);
        int top = kGap + (static_cast<int>(i) / columns) * (tileHeight + kGap);
        drawLabel(tiles[i].label, left + kLabelMargin, top + kLabelMargin);
    }
    return true;
}

bool ContactSheet::save(const std::string& path) const
{
    stbi_write_png_compression_level = 9;
    return stbi_write_png(path.c_str(), width, height, kChannels, pixels.data(), width * kChannels) != 0;
}

void ContactSheet::place(const uint8_t* rgb, int index)
{
    int left = kGap + (index % columns) * (tileWidth + kGap);
    int top = kGap + (index / columns) * (tileHeight + kGap);
    size_t rowBytes = static_cast<size_t>(tileWidth) * kChannels;
    for (int y = 0; y < tileHeight; ++y) {
        uint8_t* target = &pixels[(static_cast<size_t>(top + y) * width + left) * kChannels];
        std::memcpy(target, rgb + y * rowBytes, rowBytes);
    }
}

void ContactSheet::fill(int left, int top, int w, int h, uint8_t value)
{
    for (int y = std::max(top, 0); y < std::min(top + h, height); ++y) {
        for (int x = std::max(left, 0); x < std::min(left + w, width); ++x) {
            std::memset(&pixels[(static_cast<size_t>(y) * width + x) * kChannels], value, kChannels);
        }
    }
}

// Labels are clipped to their tile so a long text never spills into the next one.
void ContactSheet::drawLabel(const std::string& text, int left, int top)
{
    if (text.empty()) {
        return;
    }
    int advance = (kGlyphWidth + 1) * kLabelScale;
    int tileRight = left - kLabelMargin + tileWidth;
    int count = std::min<int>(static_cast<int>(text.size()), (tileRight - left - 2 * kLabelPadding) / advance);
    if (count <= 0) {
        return;
    }
    fill(left, top, count * advance + 2 * kLabelPadding - kLabelScale,
         kGlyphHeight * kLabelScale + 2 * kLabelPadding, kLabelBackground);
    for (int i = 0; i < count; ++i) {
        const uint8_t* rows = glyphRows(text[i]);
        for (int gy = 0; gy < kGlyphHeight; ++gy) {
            for (int gx = 0; gx < kGlyphWidth; ++gx) {
                if ((rows[gy] >> (kGlyphWidth - 1 - gx)) & 1) {
                    fill(left + kLabelPadding + i * advance + gx * kLabelScale,
                         top + kLabelPadding + gy * kLabelScale, kLabelScale, kLabelScale, kLabelInk);
                }
            }
        }
    }
}
