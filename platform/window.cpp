#include "platform/backend.h"
#include "platform/process_internal.h"
#include "platform/window_records.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct WindowClass {
    ATOM atom;
    std::string name;
    WNDCLASSA description;
};

std::vector<WindowClass> classes;
std::vector<std::unique_ptr<PlatformWindow>> windows;
ATOM nextAtom = 0xC000;
bool displayModeChanged = false;
HWND focus = nullptr;
int cursorShowCount = 0;

// The frame that the platform notionally draws around a captioned window; only the
// arithmetic of AdjustWindowRectEx and CreateWindowExA needs it, both ways the same.
constexpr LONG frameBorder = 4;
constexpr LONG captionHeight = 24;

bool HasFrame(DWORD style) {
    return (style & WS_POPUP) == 0;
}

const WindowClass* FindClass(const char* name) {
    if (name == nullptr) {
        return nullptr;
    }
    for (const WindowClass& windowClass : classes) {
        if (windowClass.name == name) {
            return &windowClass;
        }
    }
    return nullptr;
}

} // namespace

BOOL IsWindow(HWND window) {
    return window != nullptr &&
           std::any_of(windows.begin(), windows.end(),
                       [window](const auto& record) { return record.get() == window; });
}

bool IsDeviceContext(HDC dc) {
    return dc != nullptr && std::any_of(windows.begin(), windows.end(), [dc](const auto& record) {
               return record->dc.get() == dc;
           });
}

HWND WindowFromNative(NativeWindow* native) {
    for (const auto& record : windows) {
        if (record->native == native) {
            return record.get();
        }
    }
    return nullptr;
}

HWND FirstWindow() {
    return windows.empty() ? nullptr : windows.front().get();
}

void ForgetWindowRecords() {
    classes.clear();
    windows.clear();
    nextAtom = 0xC000;
    displayModeChanged = false;
    focus = nullptr;
    cursorShowCount = 0;
}

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
    if (windowClass == nullptr || windowClass->lpfnWndProc == nullptr ||
        windowClass->lpszClassName == nullptr || windowClass->lpszClassName[0] == '\0' ||
        FindClass(windowClass->lpszClassName) != nullptr) {
        return 0;
    }
    WindowClass registered{nextAtom++, windowClass->lpszClassName, *windowClass};
    registered.description.lpszClassName = nullptr; // the caller's buffer may change
    registered.description.lpszMenuName = nullptr;
    classes.push_back(std::move(registered));
    return classes.back().atom;
}

BOOL UnregisterClassA(const char* className, HINSTANCE /*instance*/) {
    const WindowClass* found = FindClass(className);
    if (found == nullptr) {
        return FALSE;
    }
    classes.erase(classes.begin() + (found - classes.data()));
    return TRUE;
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL /*menu*/, DWORD /*exStyle*/) {
    if (rect == nullptr) {
        return FALSE;
    }
    if (HasFrame(style)) {
        rect->left -= frameBorder;
        rect->right += frameBorder;
        rect->top -= frameBorder + captionHeight;
        rect->bottom += frameBorder;
    }
    return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                     int x, int y, int width, int height, HWND /*parent*/, HMENU /*menu*/,
                     HINSTANCE /*instance*/, void* /*param*/) {
    const WindowClass* windowClass = FindClass(className);
    if (windowClass == nullptr) {
        return nullptr;
    }
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int clientWidth = width - (frame.right - frame.left);
    const int clientHeight = height - (frame.bottom - frame.top);
    if (clientWidth <= 0 || clientHeight <= 0) {
        return nullptr;
    }

    NativeWindowDescription description{};
    description.title = windowName != nullptr ? windowName : "";
    description.defaultPosition = x == CW_USEDEFAULT || y == CW_USEDEFAULT;
    description.x = x - frame.left;
    description.y = y - frame.top;
    description.width = clientWidth;
    description.height = clientHeight;
    description.fullscreen = (style & WS_POPUP) != 0 && displayModeChanged;
    description.icon = ImageOfIcon(windowClass->description.hIcon);
    description.iconResource = ResourceOfIcon(windowClass->description.hIcon);
    description.className = windowClass->name.c_str();

    NativeWindow* native = CurrentBackend().CreateWindow(description);
    if (native == nullptr) {
        AdviseBackendFailure("window");
        return nullptr;
    }
    auto record = std::make_unique<PlatformWindow>();
    record->procedure = windowClass->description.lpfnWndProc;
    record->style = style;
    record->clientWidth = clientWidth;
    record->clientHeight = clientHeight;
    record->native = native;
    HWND window = record.get();
    windows.push_back(std::move(record));

    SendMessageA(window, WM_CREATE, 0, 0);
    if ((style & WS_VISIBLE) != 0) {
        ShowWindow(window, SW_SHOW);
    }
    return window;
}

BOOL DestroyWindow(HWND window) {
    if (!IsWindow(window)) {
        return FALSE;
    }
    SendMessageA(window, WM_DESTROY, 0, 0);
    if (!CurrentBackend().DestroyWindow(window->native)) {
        return FALSE;
    }
    windows.erase(std::find_if(windows.begin(), windows.end(),
                               [window](const auto& record) { return record.get() == window; }));
    return TRUE;
}

BOOL ShowWindow(HWND window, int command) {
    if (!IsWindow(window)) {
        return FALSE;
    }
    const BOOL wasShown = window->shown ? TRUE : FALSE;
    const bool show = command != SW_HIDE;
    CurrentBackend().ShowWindow(window->native, show);
    window->shown = show;
    if (show && !wasShown) {
        SendMessageA(window, WM_SIZE, 0,
                     static_cast<LPARAM>(window->clientWidth | (window->clientHeight << 16)));
        // Asked the way the system asks before it blanks the screen: a window procedure
        // that keeps this message from the default handling keeps the screen on.
        SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    }
    return wasShown;
}

BOOL SetForegroundWindow(HWND window) {
    if (!IsWindow(window)) {
        return FALSE;
    }
    CurrentBackend().RaiseWindow(window->native);
    SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
    return TRUE;
}

HWND SetFocus(HWND window) {
    const HWND previous = IsWindow(focus) ? focus : nullptr;
    if (IsWindow(window)) {
        focus = window;
    }
    return previous;
}

HWND GetFocus() {
    return IsWindow(focus) ? focus : nullptr;
}

LONG_PTR SetWindowLongA(HWND window, int index, LONG_PTR value) {
    if (!IsWindow(window) || index != GWL_USERDATA) {
        return 0;
    }
    const LONG_PTR previous = window->userData;
    window->userData = value;
    return previous;
}

LONG_PTR GetWindowLongA(HWND window, int index) {
    if (!IsWindow(window) || index != GWL_USERDATA) {
        return 0;
    }
    return window->userData;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsWindow(window)) {
        return 0;
    }
    return window->procedure(window, message, wParam, lParam);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4) {
            SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        return 0;
    case WM_SYSCOMMAND: {
        // The low four bits of a system command are the system's own.
        const WPARAM command = wParam & 0xFFF0;
        if (command == SC_CLOSE) {
            SendMessageA(window, WM_CLOSE, 0, 0);
        } else if (command == SC_SCREENSAVE || command == SC_MONITORPOWER) {
            CurrentBackend().SetScreenSaverAllowed(true);
        }
        return 0;
    }
    default:
        (void)lParam;
        return 0;
    }
}

LONG ChangeDisplaySettingsA(DEVMODEA* mode, DWORD flags) {
    if (mode == nullptr) {
        CurrentBackend().RestoreDisplayMode();
        displayModeChanged = false;
        return DISP_CHANGE_SUCCESSFUL;
    }
    constexpr DWORD sizeFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    if (mode->dmSize != sizeof(DEVMODEA) || (mode->dmFields & sizeFields) != sizeFields ||
        mode->dmPelsWidth == 0 || mode->dmPelsHeight == 0 || mode->dmPelsWidth > 65535 ||
        mode->dmPelsHeight > 65535) {
        return DISP_CHANGE_BADMODE;
    }
    const int bits = (mode->dmFields & DM_BITSPERPEL) != 0 && mode->dmBitsPerPel <= 32
                         ? static_cast<int>(mode->dmBitsPerPel)
                         : 32;
    const int width = static_cast<int>(mode->dmPelsWidth);
    const int height = static_cast<int>(mode->dmPelsHeight);
    if (!CurrentBackend().SetDisplayMode(width, height, bits)) {
        AdviseBackendFailure("display mode " + std::to_string(width) + 'x' +
                             std::to_string(height) + 'x' + std::to_string(bits));
        return DISP_CHANGE_FAILED;
    }
    displayModeChanged = (flags & CDS_FULLSCREEN) != 0 || displayModeChanged;
    return DISP_CHANGE_SUCCESSFUL;
}

int ShowCursor(BOOL show) {
    cursorShowCount += show ? 1 : -1;
    CurrentBackend().SetCursorVisible(cursorShowCount >= 0);
    return cursorShowCount;
}

HDC GetDC(HWND window) {
    if (!IsWindow(window)) {
        return nullptr;
    }
    if (!window->dc) {
        if (!CurrentBackend().AcquireDeviceContext(window->native)) {
            AdviseBackendFailure("device context");
            return nullptr;
        }
        window->dc = std::make_unique<PlatformDeviceContext>();
        window->dc->window = window;
    }
    return window->dc.get();
}

int ReleaseDC(HWND window, HDC dc) {
    if (!IsWindow(window) || dc == nullptr || window->dc.get() != dc) {
        return 0;
    }
    return CurrentBackend().ReleaseDeviceContext(window->native) ? 1 : 0;
}
