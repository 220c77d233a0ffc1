#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One picture of the sheet and the text written over its corner (may be empty).
struct SheetTile {
    std::string path;
    std::string label;
};

// Tiles equally sized PNGs row by row into one RGB image, with a gap between
// them and an optional label on each.
class ContactSheet {
public:
    bool compose(const std::vector<SheetTile>& tiles, int columns);
    bool save(const std::string& path) const;

    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // RGB, rows top to bottom

private:
    void place(const uint8_t* rgb, int index);
    void drawLabel(const std::string& text, int left, int top);
    void fill(int left, int top, int w, int h, uint8_t value);

    int columns = 1;
    int tileWidth = 0;
    int tileHeight = 0;
};
