// The bitmap font: glyphs of the selected stock font compiled into glBitmap display lists by
// the system's text renderer.

#include "platform/gl_context.h"
#include "platform/glyphs.h"
#include "platform/stock_fonts.h"
#include "platform/window_records.h"

BOOL wglUseFontBitmapsA(HDC dc, DWORD first, DWORD count, DWORD listBase) {
    if (!IsDeviceContext(dc)) {
        return FALSE;
    }
    return CompileGlyphLists(SelectedFont(dc), first, count, listBase) ? TRUE : FALSE;
}
