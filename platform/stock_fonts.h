#pragma once

// The stock fonts a device context can select, shared by every build's bitmap font.

#include "platform/glyphs.h"
#include "platform/types.h"

struct PlatformGdiObject {
    GlyphFont font;
};

// The font selected into dc: the system font until another is selected.
const GlyphFont& SelectedFont(HDC dc);
