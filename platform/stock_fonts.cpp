#include "platform/stock_fonts.h"

#include "platform/gl_context.h"
#include "platform/window_records.h"

namespace {

constexpr int SYSTEM_FONT = 13;
PlatformGdiObject guiFont{{DEFAULT_GUI_FONT, 13}};
PlatformGdiObject systemFont{{SYSTEM_FONT, 16}};

} // namespace

HGDIOBJ GetStockObject(int object) {
    switch (object) {
    case DEFAULT_GUI_FONT:
        return &guiFont;
    case SYSTEM_FONT:
        return &systemFont;
    default:
        return nullptr;
    }
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    if (!IsDeviceContext(dc) || object == nullptr) {
        return nullptr;
    }
    const HGDIOBJ previous = dc->font != nullptr ? dc->font : &systemFont;
    dc->font = object;
    return previous;
}

const GlyphFont& SelectedFont(HDC dc) {
    return dc->font != nullptr ? dc->font->font : systemFont.font;
}
