#include "tools/datagen/lettering.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <vector>

namespace datagen {
namespace {

constexpr char fontPattern[] = "DejaVu Sans:style=Bold";
constexpr char wantedFamily[] = "DejaVu Sans";

// The file that fontconfig picks for the pattern, or empty when it is not DejaVu Sans:
// another face would give other pictures.
std::string FindFontFile() {
    std::string path;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(fontPattern));
    if (pattern == nullptr) {
        return path;
    }
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcChar8* file = nullptr;
    FcChar8* family = nullptr;
    if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
        FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch &&
        std::string(reinterpret_cast<const char*>(family)) == wantedFamily) {
        path = reinterpret_cast<const char*>(file);
    }
    if (match != nullptr) {
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return path;
}

struct Glyph {
    std::vector<unsigned char> pixels;
    int width = 0;
    int rows = 0;
    int left = 0; // from the pen position
    int top = 0;  // from the baseline upwards
    int pitch = 0;
};

} // namespace

struct Lettering::Face {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

Lettering::Lettering() : face(std::make_unique<Face>()) {
    const std::string fontPath = FindFontFile();
    if (fontPath.empty()) {
        error = std::string("fontconfig finds no ") + fontPattern +
                " (Debian package fonts-dejavu-core)";
        return;
    }
    if (FT_Init_FreeType(&face->library) != 0 ||
        FT_New_Face(face->library, fontPath.c_str(), 0, &face->face) != 0) {
        error = "FreeType cannot open " + fontPath;
    }
}

Lettering::~Lettering() {
    if (face->face != nullptr) {
        FT_Done_Face(face->face);
    }
    if (face->library != nullptr) {
        FT_Done_FreeType(face->library);
    }
}

TextMask Lettering::Render(const std::string& text, double pixelSize, double slant, double tracking,
                           int margin) const {
    FT_Face ftFace = face->face;
    FT_Set_Char_Size(ftFace, 0, static_cast<FT_F26Dot6>(std::lround(pixelSize * 64.0)), 72, 72);
    FT_Matrix shear{0x10000, static_cast<FT_Fixed>(std::lround(slant * 0x10000)), 0, 0x10000};
    FT_Set_Transform(ftFace, &shear, nullptr);

    std::vector<Glyph> glyphs;
    std::vector<int> penX;
    long pen = 0; // 26.6 fixed point
    FT_UInt previous = 0;
    for (const char character : text) {
        const FT_UInt index = FT_Get_Char_Index(ftFace, static_cast<unsigned char>(character));
        if (previous != 0 && FT_HAS_KERNING(ftFace)) {
            FT_Vector kerning{};
            FT_Get_Kerning(ftFace, previous, index, FT_KERNING_DEFAULT, &kerning);
            pen += kerning.x;
        }
        if (FT_Load_Glyph(ftFace, index, FT_LOAD_RENDER | FT_LOAD_NO_HINTING) != 0) {
            continue;
        }
        const FT_GlyphSlot slot = ftFace->glyph;
        Glyph glyph;
        glyph.width = static_cast<int>(slot->bitmap.width);
        glyph.rows = static_cast<int>(slot->bitmap.rows);
        glyph.pitch = slot->bitmap.pitch;
        glyph.left = slot->bitmap_left;
        glyph.top = slot->bitmap_top;
        glyph.pixels.assign(slot->bitmap.buffer,
                            slot->bitmap.buffer +
                                static_cast<std::size_t>(glyph.pitch) * glyph.rows);
        glyphs.push_back(std::move(glyph));
        penX.push_back(static_cast<int>((pen + 32) >> 6));
        pen += slot->advance.x + std::lround(tracking * 64.0);
        previous = index;
    }
    FT_Set_Transform(ftFace, nullptr, nullptr);

    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
    bool any = false;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const Glyph& glyph = glyphs[i];
        if (glyph.width == 0 || glyph.rows == 0) {
            continue;
        }
        const int x0 = penX[i] + glyph.left;
        const int y0 = -glyph.top;
        left = any ? std::min(left, x0) : x0;
        right = any ? std::max(right, x0 + glyph.width) : x0 + glyph.width;
        top = any ? std::min(top, y0) : y0;
        bottom = any ? std::max(bottom, y0 + glyph.rows) : y0 + glyph.rows;
        any = true;
    }

    TextMask mask;
    mask.coverage = Grey(right - left + 2 * margin, bottom - top + 2 * margin);
    mask.baseline = margin - top;
    mask.inkLeft = margin;
    mask.inkTop = margin;
    mask.inkRight = margin + right - left;
    mask.inkBottom = margin + bottom - top;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const Glyph& glyph = glyphs[i];
        const int x0 = penX[i] + glyph.left - left + margin;
        const int y0 = -glyph.top - top + margin;
        for (int row = 0; row < glyph.rows; ++row) {
            for (int column = 0; column < glyph.width; ++column) {
                const double value =
                    glyph.pixels[static_cast<std::size_t>(row) * glyph.pitch + column] / 255.0;
                double& target = mask.coverage.At(x0 + column, y0 + row);
                target = std::max(target, value);
            }
        }
    }
    return mask;
}

void StampMax(Grey& grey, const Grey& mask, int left, int top) {
    for (int y = 0; y < mask.Height(); ++y) {
        for (int x = 0; x < mask.Width(); ++x) {
            const int tx = left + x;
            const int ty = top + y;
            if (tx >= 0 && ty >= 0 && tx < grey.Width() && ty < grey.Height()) {
                grey.At(tx, ty) = std::max(grey.At(tx, ty), mask.At(x, y));
            }
        }
    }
}

} // namespace datagen
