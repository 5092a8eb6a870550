#pragma once

// The scalar types and handles of the platform calls that the program makes.
// Handles are opaque pointers to records owned by the platform layer.

#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using ATOM = WORD;
using LONG_PTR = std::intptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

struct PlatformModule;
struct PlatformWindow;
struct PlatformDeviceContext;
struct PlatformGLContext;
struct PlatformIcon;
struct PlatformCursor;
struct PlatformGdiObject;
struct PlatformMenu;
struct PlatformBrush;

using HINSTANCE = PlatformModule*;
using HMODULE = PlatformModule*;
using HWND = PlatformWindow*;
using HDC = PlatformDeviceContext*;
using HGLRC = PlatformGLContext*;
using HICON = PlatformIcon*;
using HCURSOR = PlatformCursor*;
using HGDIOBJ = PlatformGdiObject*;
using HMENU = PlatformMenu*;
using HBRUSH = PlatformBrush*;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct POINT {
    LONG x;
    LONG y;
};

// Resource names are either strings or small integers smuggled in a pointer.
inline const char* MAKEINTRESOURCEA(int id) {
    return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(static_cast<WORD>(id)));
}
