#include "ContactSheet.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "usage: contactsheet [--columns N] --out SHEET.png IMAGE.png[=LABEL]...\n"
    "  Tiles the pictures, all of one size, row by row into SHEET.png (RGB),\n"
    "  each with its LABEL written in its top left corner. Default: 4 columns.\n";

constexpr int kDefaultColumns = 4;

SheetTile parseTile(const std::string& argument)
{
    size_t equals = argument.find('=');
    if (equals == std::string::npos) {
        return SheetTile{argument, ""};
    }
    return SheetTile{argument.substr(0, equals), argument.substr(equals + 1)};
}

}

int main(int argc, char** argv)
{
    int columns = kDefaultColumns;
    std::string out;
    std::vector<SheetTile> tiles;
    for (int i = 1; i < argc; ++i) {
        bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--columns") == 0 && hasValue) {
            columns = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--out") == 0 && hasValue) {
            out = argv[++i];
        } else if (std::strncmp(argv[i], "--", 2) == 0) {
            std::fputs(kUsage, std::strcmp(argv[i], "--help") == 0 ? stdout : stderr);
            return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
        } else {
            tiles.push_back(parseTile(argv[i]));
        }
    }
    if (out.empty() || tiles.empty() || columns < 1) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    ContactSheet sheet;
    if (!sheet.compose(tiles, columns)) {
        return 1;
    }
    if (!sheet.save(out)) {
        std::fprintf(stderr, "contactsheet: cannot write %s\n", out.c_str());
        return 1;
    }
    std::printf("contactsheet: %d pictures, %dx%d, in %s\n", static_cast<int>(tiles.size()), sheet.width,
                sheet.height, out.c_str());
    return 0;
}
