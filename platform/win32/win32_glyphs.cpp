// The bitmap font's glyphs on Windows: the system's own stock font, drawn into display lists
// by the system's own wglUseFontBitmapsA on the device context of the current context.

#include "platform/glyphs.h"
#include "platform/win32/win32_windows.h"

bool CompileGlyphLists(const GlyphFont& font, unsigned first, unsigned count, unsigned listBase) {
    const HDC dc = wglGetCurrentDC();
    const HGDIOBJ stock = GetStockObject(font.stockObject);
    if (dc == nullptr || stock == nullptr) {
        return false;
    }
    const HGDIOBJ previous = SelectObject(dc, stock);
    const bool compiled = wglUseFontBitmapsA(dc, first, count, listBase) != FALSE;
    SelectObject(dc, previous);
    return compiled;
}
