#include "platform/win32/win32_keys.h"

#include "platform/win32/win32_windows.h"

#include <algorithm>
#include <array>

namespace {

// What the other backends deliver besides letters, digits and F1 to F12. Key messages name
// Shift, Ctrl and Alt without their side.
constexpr std::array<unsigned, 19> namedKeys = {
    VK_ESCAPE, VK_BACK,  VK_TAB,   VK_RETURN, VK_SPACE, VK_SHIFT, VK_CONTROL,
    VK_MENU,   VK_PAUSE, VK_PRIOR, VK_NEXT,   VK_END,   VK_HOME,  VK_LEFT,
    VK_UP,     VK_RIGHT, VK_DOWN,  VK_INSERT, VK_DELETE};

} // namespace

int VirtualKeyOf(unsigned windowsKey) {
    const bool letter = windowsKey >= 'A' && windowsKey <= 'Z';
    const bool digit = windowsKey >= '0' && windowsKey <= '9';
    const bool function = windowsKey >= VK_F1 && windowsKey <= VK_F12;
    const bool named = std::find(namedKeys.begin(), namedKeys.end(), windowsKey) != namedKeys.end();
    return letter || digit || function || named ? static_cast<int>(windowsKey) : 0;
}
