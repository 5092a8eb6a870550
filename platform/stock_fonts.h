#pragma once

// The stock fonts a device context can select, shared by every backend's bitmap font.

#include "platform/types.h"

struct PlatformGdiObject {
    int pixelHeight;
};

// The pixel height of the font selected into dc: the system font until another is selected.
int SelectedFontHeight(HDC dc);
