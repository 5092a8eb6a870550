#pragma once

// The bitmap font's glyphs as OpenGL display lists, drawn by the system's own text renderer:
// FreeType on Linux (linux/), the browser's text (web/), GDI on Windows (win32/). Not for
// use outside platform/.

// A stock font as the program selects it.
struct GlyphFont {
    int stockObject; // GetStockObject's number
    int pixelHeight;
};

// Lists listBase + i for the character codes first + i of the code page Windows-1252, with
// the current context. False when the system has no font to draw them with.
bool CompileGlyphLists(const GlyphFont& font, unsigned first, unsigned count, unsigned listBase);
