#pragma once

// The records behind window and device-context handles, shared by the calls of this layer.
// Not for use outside platform/.

#include "platform/gl_context.h"
#include "platform/window.h"

#include <memory>

struct NativeWindow;

struct PlatformDeviceContext {
    HWND window = nullptr;
    int pixelFormat = 0; // 0 until SetPixelFormat
    HGDIOBJ font = nullptr;
};

struct PlatformWindow {
    WNDPROC procedure = nullptr;
    LONG_PTR userData = 0;
    DWORD style = 0;
    int clientWidth = 0;
    int clientHeight = 0;
    NativeWindow* native = nullptr;
    bool shown = false;
    std::unique_ptr<PlatformDeviceContext> dc; // one per window, kept from the first GetDC
};

bool IsDeviceContext(HDC dc);
HWND WindowFromNative(NativeWindow* native);
// The oldest window that is still alive, or null.
HWND FirstWindow();

// The records are dropped as they stand, the native objects behind them left to the backend.
void ForgetWindowRecords();
void ForgetMessages();
void ForgetContextRecords();
