// The bitmap font's glyphs on Linux: the system's sans-serif face, rasterised by FreeType.

#include <GL/gl.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include "platform/glyphs.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// Windows-1252 for 0x80 to 0x9F; 0 where the code page leaves a code undefined.
constexpr std::array<std::uint16_t, 32> codePage1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::uint32_t CodePointOf(unsigned code) {
    if (code < 0x20 || code == 0x7F || code > 0xFF) {
        return 0;
    }
    if (code >= 0x80 && code < 0xA0) {
        return codePage1252High[code - 0x80];
    }
    return code;
}

std::string SansSerifPath() {
    std::string path;
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (config == nullptr) {
        return path;
    }
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcChar8* file = nullptr;
    if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        path = reinterpret_cast<const char*>(file);
    }
    if (match != nullptr) {
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    return path;
}

class FontFace {
public:
    FontFace() {
        const std::string path = SansSerifPath();
        if (path.empty() || FT_Init_FreeType(&library) != 0) {
            return;
        }
        if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
            face = nullptr;
        }
    }
    ~FontFace() {
        if (face != nullptr) {
            FT_Done_Face(face);
        }
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
    }
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    FT_Face Face() const { return face; }

private:
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

FT_Face SharedFace() {
    static FontFace font;
    return font.Face();
}

// One glyph as a glBitmap: rows from the bottom, each padded to the default unpack
// alignment of 4 bytes so that no pixel-store state has to change.
void CompileGlyph(FT_Face face, std::uint32_t codePoint) {
    if (face == nullptr || codePoint == 0 ||
        FT_Load_Char(face, codePoint, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) {
        return;
    }
    const FT_GlyphSlot glyph = face->glyph;
    const FT_Bitmap& bitmap = glyph->bitmap;
    const int width = static_cast<int>(bitmap.width);
    const int rows = static_cast<int>(bitmap.rows);
    const int rowBytes = ((width + 7) / 8 + 3) & ~3;
    std::vector<GLubyte> bits(static_cast<std::size_t>(rowBytes) * rows);
    for (int row = 0; row < rows; ++row) {
        const unsigned char* source =
            bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
        GLubyte* target = bits.data() + static_cast<std::size_t>(rows - 1 - row) * rowBytes;
        for (int byte = 0; byte < (width + 7) / 8; ++byte) {
            target[byte] = source[byte];
        }
    }
    const auto advance = static_cast<GLfloat>(glyph->advance.x) / 64.0f;
    glBitmap(width, rows, static_cast<GLfloat>(-glyph->bitmap_left),
             static_cast<GLfloat>(rows - glyph->bitmap_top), advance, 0.0f,
             bits.empty() ? nullptr : bits.data());
}

} // namespace

bool CompileGlyphLists(const GlyphFont& font, unsigned first, unsigned count, unsigned listBase) {
    const FT_Face face = SharedFace();
    if (face != nullptr) {
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(font.pixelHeight));
    }
    for (unsigned i = 0; i < count; ++i) {
        glNewList(listBase + i, GL_COMPILE);
        CompileGlyph(face, CodePointOf(first + i));
        glEndList();
    }
    return face != nullptr;
}
