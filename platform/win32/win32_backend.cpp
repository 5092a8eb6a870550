// The live backend on Windows: real Win32 windows and display modes, WGL contexts, the
// system's message box and its wave output, under the program's own platform calls.

#include "platform/close_requests.h"
#include "platform/live_backend.h"
#include "platform/pixel_formats.h"
#include "platform/steady_time.h"
#include "platform/win32/wave_out.h"
#include "platform/win32/win32_keys.h"
#include "platform/win32/win32_windows.h"

#include <GL/gl.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <vector>

struct NativeWindow {
    HWND window = nullptr;
    HDC dc = nullptr;
    HICON bigIcon = nullptr; // the window's own icons, made for it
    HICON smallIcon = nullptr;
    // Asked for full screen: the backend chooses between full screen and a window for it,
    // and sets its viewport.
    bool showsView = false;
    bool fullscreen = false;
    int windowedWidth = 0; // its client size as a window, kept while it is full screen
    int windowedHeight = 0;
    ViewRect viewport{0, 0, 0, 0};
    bool away = false; // a full-screen window out of the way while another program is in front
};

struct NativeContext {
    HGLRC context = nullptr;
};

namespace {

constexpr DWORD viewWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD plainWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD fullscreenStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD windowExStyle = WS_EX_APPWINDOW;

// How often a message box looks whether the program was asked to end meanwhile.
constexpr UINT boxCheckMs = 50;

template <typename T>
typename std::vector<std::unique_ptr<T>>::iterator Find(std::vector<std::unique_ptr<T>>& records,
                                                        const T* record) {
    return std::find_if(records.begin(), records.end(),
                        [record](const auto& owned) { return owned.get() == record; });
}

bool AltDown(LPARAM flags) {
    return (static_cast<DWORD>(flags) & (1u << 29)) != 0;
}

bool Repeated(LPARAM flags) {
    return (static_cast<DWORD>(flags) & (1u << 30)) != 0;
}

// The icon as Windows draws it: colour with alpha, and a mask that the colour's alpha
// overrides.
HICON IconFromPixels(const IconImage& image) {
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof(header);
    header.bV5Width = image.width;
    header.bV5Height = -image.height; // rows from the top
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    const HDC screen = GetDC(nullptr);
    const HBITMAP colour = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header),
                                            DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (colour == nullptr) {
        return nullptr;
    }
    std::copy(image.pixels, image.pixels + static_cast<std::ptrdiff_t>(image.width) * image.height,
              static_cast<std::uint32_t*>(bits));
    const HBITMAP mask = CreateBitmap(image.width, image.height, 1, 1, nullptr);
    ICONINFO info{TRUE, 0, 0, mask, colour};
    const HICON icon = CreateIconIndirect(&info);
    DeleteObject(mask);
    DeleteObject(colour);
    return icon;
}

HICON LoadResourceIcon(int resource, int sizeMetric) {
    const int size = GetSystemMetrics(sizeMetric);
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource),
                                         IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

// The system's text for the last error of this thread, after the call that met it.
std::string SystemError(const char* call) {
    const DWORD error = GetLastError();
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string reason = std::string(call) + ": ";
    reason += length > 0 ? std::string(text, length) : "error " + std::to_string(error);
    LocalFree(text);
    return reason;
}

// ChangeDisplaySettings's results have names, not texts.
std::string DisplayChangeText(LONG result) {
    switch (result) {
    case DISP_CHANGE_BADMODE:
        return "DISP_CHANGE_BADMODE (the screen has no such mode)";
    case DISP_CHANGE_FAILED:
        return "DISP_CHANGE_FAILED (the graphics driver refused the mode)";
    case DISP_CHANGE_RESTART:
        return "DISP_CHANGE_RESTART (the computer must restart for the mode)";
    case DISP_CHANGE_NOTUPDATED:
        return "DISP_CHANGE_NOTUPDATED";
    case DISP_CHANGE_BADFLAGS:
        return "DISP_CHANGE_BADFLAGS";
    case DISP_CHANGE_BADPARAM:
        return "DISP_CHANGE_BADPARAM";
    default:
        return "error " + std::to_string(result);
    }
}

// The outer size of a window whose client area is width x height.
SIZE OuterSize(int width, int height, DWORD style) {
    RECT rect{0, 0, width, height};
    AdjustWindowRectEx(&rect, style, FALSE, windowExStyle);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// Where a window of that outer size stands in the middle of the desktop's work area.
POINT Centred(SIZE size) {
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return {area.left + std::max(0L, (area.right - area.left - size.cx) / 2),
            area.top + std::max(0L, (area.bottom - area.top - size.cy) / 2)};
}

class Win32Backend final : public Backend {
public:
    explicit Win32Backend(const ViewOptions& viewOptions) : view(viewOptions) {
        current = this;
        SetScreenSaverAllowed(false);
    }
    Win32Backend(const Win32Backend&) = delete;
    Win32Backend& operator=(const Win32Backend&) = delete;

    ~Win32Backend() override {
        audio.Close();
        wglMakeCurrent(nullptr, nullptr);
        for (auto& context : contexts) {
            wglDeleteContext(context->context);
        }
        while (!windows.empty()) {
            DestroyWindow(windows.back().get());
        }
        RestoreDisplayMode();
        for (const std::string& name : classes) {
            UnregisterClassA(name.c_str(), GetModuleHandleA(nullptr));
        }
        SetThreadExecutionState(ES_CONTINUOUS);
        current = nullptr;
    }

    // The mode is set at once and exactly: a mode the screen does not have fails, as it does
    // for any Windows program. A window needs no mode, so one that the screen cannot take only
    // keeps F11 from switching to full screen.
    bool SetDisplayMode(int width, int height, int bits) override {
        failure.clear();
        mode = {width, height, bits};
        modeSet = true;
        if (view.windowed) {
            modeUsable = ChangeMode(CDS_TEST) == DISP_CHANGE_SUCCESSFUL;
            return true;
        }
        const LONG result = ChangeMode(CDS_FULLSCREEN);
        modeUsable = result == DISP_CHANGE_SUCCESSFUL;
        modeApplied = modeUsable;
        if (!modeUsable) {
            failure = "ChangeDisplaySettings: " + DisplayChangeText(result);
        }
        return modeUsable;
    }

    void RestoreDisplayMode() override {
        modeSet = false;
        RestoreDesktopMode();
    }

    void SetCursorVisible(bool visible) override {
        cursorWanted = visible;
        ApplyCursor();
    }

    void SetScreenSaverAllowed(bool allowed) override {
        screenSaverAllowed = allowed;
        SetThreadExecutionState(allowed ? ES_CONTINUOUS : ES_CONTINUOUS | ES_DISPLAY_REQUIRED);
    }

    NativeWindow* CreateWindow(const NativeWindowDescription& description) override {
        failure.clear();
        const char* className = description.className != nullptr ? description.className : "";
        if (!EnsureClass(className)) {
            failure = SystemError("RegisterClassEx");
            return nullptr;
        }
        auto window = std::make_unique<NativeWindow>();
        window->showsView = description.fullscreen && modeSet;
        window->fullscreen = window->showsView && !view.windowed;
        window->windowedWidth = view.windowWidth;
        window->windowedHeight = view.windowHeight;
        MakeIcons(*window, description);

        DWORD style = plainWindowStyle;
        int width = description.width;
        int height = description.height;
        POINT position{description.defaultPosition ? CW_USEDEFAULT : description.x,
                       description.defaultPosition ? CW_USEDEFAULT : description.y};
        if (window->fullscreen) {
            style = fullscreenStyle;
            width = mode.width;
            height = mode.height;
            position = {0, 0};
        } else if (window->showsView) {
            style = viewWindowStyle;
            width = view.windowWidth;
            height = view.windowHeight;
        }
        const SIZE outer =
            window->fullscreen ? SIZE{width, height} : OuterSize(width, height, style);
        if (window->showsView && !window->fullscreen && !view.placed) {
            position = Centred(outer);
        } else if (!window->fullscreen && (window->showsView || !description.defaultPosition)) {
            if (window->showsView) {
                position = {view.windowX, view.windowY};
            }
            // The position asked for is the client area's; the frame goes around it.
            RECT frame{0, 0, 0, 0};
            AdjustWindowRectEx(&frame, style, FALSE, windowExStyle);
            position = {position.x + frame.left, position.y + frame.top};
        }

        creating = window.get();
        window->window = CreateWindowExA(windowExStyle, className, description.title, style,
                                         position.x, position.y, outer.cx, outer.cy, nullptr,
                                         nullptr, GetModuleHandleA(nullptr), nullptr);
        creating = nullptr;
        if (window->window == nullptr) {
            failure = SystemError("CreateWindowEx");
            FreeIcons(*window);
            return nullptr;
        }
        if (window->bigIcon != nullptr) {
            SendMessageA(window->window, WM_SETICON, ICON_BIG,
                         reinterpret_cast<LPARAM>(window->bigIcon));
        }
        if (window->smallIcon != nullptr) {
            SendMessageA(window->window, WM_SETICON, ICON_SMALL,
                         reinterpret_cast<LPARAM>(window->smallIcon));
        }
        windows.push_back(std::move(window));
        return windows.back().get();
    }

    bool DestroyWindow(NativeWindow* window) override {
        const auto found = Find(windows, window);
        if (found == windows.end()) {
            return false;
        }
        if (window == currentWindow) {
            currentWindow = nullptr;
        }
        if (window->window != nullptr) {
            ::DestroyWindow(window->window);
        }
        FreeIcons(*window);
        windows.erase(found);
        return true;
    }

    void ShowWindow(NativeWindow* window, bool visible) override {
        ::ShowWindow(window->window, visible ? SW_SHOW : SW_HIDE);
        if (visible) {
            UpdateWindow(window->window);
        }
    }

    void RaiseWindow(NativeWindow* window) override { SetForegroundWindow(window->window); }

    // The class's own device context, kept for the window's life.
    bool AcquireDeviceContext(NativeWindow* window) override {
        failure.clear();
        if (window->dc == nullptr) {
            window->dc = GetDC(window->window);
        }
        if (window->dc == nullptr) {
            failure = SystemError("GetDC");
        }
        return window->dc != nullptr;
    }

    bool ReleaseDeviceContext(NativeWindow* /*window*/) override { return true; }

    int ChoosePixelFormat(const PixelFormat& wanted) override {
        return ClosestStandardPixelFormat(wanted);
    }

    // The system's closest format to the standard one chosen.
    bool SetPixelFormat(NativeWindow* window, int format) override {
        failure.clear();
        if (format < 1 || format > StandardPixelFormatCount() || window->dc == nullptr) {
            return false;
        }
        const PixelFormat& wanted = StandardPixelFormat(format);
        PIXELFORMATDESCRIPTOR descriptor{};
        descriptor.nSize = sizeof(descriptor);
        descriptor.nVersion = 1;
        descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        descriptor.iPixelType = PFD_TYPE_RGBA;
        descriptor.cColorBits = static_cast<BYTE>(wanted.colorBits);
        descriptor.cDepthBits = static_cast<BYTE>(wanted.depthBits);
        descriptor.cStencilBits = static_cast<BYTE>(wanted.stencilBits);
        descriptor.iLayerType = PFD_MAIN_PLANE;
        const int chosen = ::ChoosePixelFormat(window->dc, &descriptor);
        if (chosen == 0) {
            failure = SystemError("ChoosePixelFormat");
            return false;
        }
        if (::SetPixelFormat(window->dc, chosen, &descriptor) == FALSE) {
            failure = SystemError("SetPixelFormat");
            return false;
        }
        return true;
    }

    NativeContext* CreateContext(NativeWindow* window) override {
        failure.clear();
        const HGLRC context = window->dc != nullptr ? wglCreateContext(window->dc) : nullptr;
        if (context == nullptr) {
            failure = SystemError("wglCreateContext");
            return nullptr;
        }
        contexts.push_back(std::make_unique<NativeContext>());
        contexts.back()->context = context;
        return contexts.back().get();
    }

    bool MakeCurrent(NativeWindow* window, NativeContext* context) override {
        failure.clear();
        if (context == nullptr) {
            currentWindow = nullptr;
            return wglMakeCurrent(nullptr, nullptr) != FALSE;
        }
        if (window == nullptr || window->dc == nullptr) {
            return false;
        }
        if (wglMakeCurrent(window->dc, context->context) == FALSE) {
            failure = SystemError("wglMakeCurrent");
            return false;
        }
        // Present at the display's rate where the driver allows it; no cap of our own.
        using SwapInterval = BOOL(WINAPI*)(int);
        const auto setInterval = reinterpret_cast<SwapInterval>(
            reinterpret_cast<void*>(wglGetProcAddress("wglSwapIntervalEXT")));
        if (setInterval != nullptr) {
            setInterval(1);
        }
        currentWindow = window;
        window->viewport = ViewRect{0, 0, 0, 0};
        FitViewport(*window);
        return true;
    }

    bool DeleteContext(NativeContext* context) override {
        const auto found = Find(contexts, context);
        if (found == contexts.end() || wglDeleteContext(context->context) == FALSE) {
            return false;
        }
        contexts.erase(found);
        return true;
    }

    void SwapBuffers(NativeWindow* window) override {
        if (window->dc != nullptr) {
            ::SwapBuffers(window->dc);
        }
        // The next frame is drawn to the window's size as it is now.
        if (window == currentWindow) {
            FitViewport(*window);
        }
    }

    bool PollEvent(NativeEvent* event) override {
        MSG message;
        while (events.empty() && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
            DispatchMessageA(&message);
        }
        if (audio.TakeLoss() && audioLost != nullptr) {
            audioLost(audioUser);
        }
        if (events.empty()) {
            return false;
        }
        *event = events.front();
        events.pop_front();
        return true;
    }

    void WaitEvent(int timeoutMs) override {
        if (events.empty()) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(timeoutMs),
                                      QS_ALLINPUT);
        }
    }

    std::uint32_t Milliseconds() override { return SteadyMilliseconds(); }

    // A full-screen window would keep the box out of sight, so it steps aside and the
    // desktop has its mode back; a box is only shown when the run is about to end. While the
    // box waits for its OK, a request to end the program closes it.
    bool ShowMessageBox(const char* caption, const char* text) override {
        for (auto& window : windows) {
            if (window->fullscreen) {
                ::ShowWindow(window->window, SW_HIDE);
            }
        }
        RestoreDesktopMode();
        const UINT_PTR timer = SetTimer(nullptr, 0, boxCheckMs, CloseBoxOnRequest);
        const int answer = MessageBoxA(nullptr, text, caption, MB_OK | MB_SETFOREGROUND);
        KillTimer(nullptr, timer);
        return answer != 0;
    }

    bool OpenAudio(const AudioRequest& request, AudioDevice* opened) override {
        failure.clear();
        audioLost = request.lost;
        audioUser = request.user;
        return audio.Open(request, opened, &failure);
    }

    void PauseAudio(bool paused) override { audio.Pause(paused); }

    void CloseAudio() override { audio.Close(); }

    std::int64_t AudioNanoseconds() override { return SteadyNanoseconds(); }

    std::string AudioDeviceName() override {
        const std::string device = WaveOut::DeviceName();
        return device.empty() ? "waveOut" : "waveOut: " + device;
    }

    std::string FailureReason() override { return failure; }

private:
    struct Mode {
        int width;
        int height;
        int bits;
    };

    static Win32Backend* current;

    static LRESULT CALLBACK WindowProcedure(HWND handle, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
        NativeWindow* window = current != nullptr ? current->WindowOf(handle) : nullptr;
        if (window == nullptr) {
            return DefWindowProcA(handle, message, wParam, lParam);
        }
        return current->Handle(*window, message, wParam, lParam);
    }

    static void CALLBACK CloseBoxOnRequest(HWND /*window*/, UINT /*message*/, UINT_PTR /*timer*/,
                                           DWORD /*time*/) {
        if (SignalCloseRequested()) {
            EnumThreadWindows(GetCurrentThreadId(), CloseIfBox, 0);
        }
    }

    static BOOL CALLBACK CloseIfBox(HWND window, LPARAM /*unused*/) {
        char name[16] = {};
        GetClassNameA(window, name, sizeof(name));
        if (std::string(name) == "#32770") {
            PostMessageA(window, WM_CLOSE, 0, 0);
        }
        return TRUE;
    }

    bool EnsureClass(const char* className) {
        if (std::find(classes.begin(), classes.end(), className) != classes.end()) {
            return true;
        }
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = WindowProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.lpszClassName = className;
        if (RegisterClassExA(&windowClass) == 0) {
            return false;
        }
        classes.emplace_back(className);
        return true;
    }

    // The program's icon from its resources in all the sizes they hold, else from its pixels.
    static void MakeIcons(NativeWindow& window, const NativeWindowDescription& description) {
        if (description.iconResource != 0) {
            window.bigIcon = LoadResourceIcon(description.iconResource, SM_CXICON);
            window.smallIcon = LoadResourceIcon(description.iconResource, SM_CXSMICON);
        }
        if (window.bigIcon == nullptr && description.icon != nullptr) {
            window.bigIcon = IconFromPixels(*description.icon);
        }
    }

    static void FreeIcons(NativeWindow& window) {
        for (HICON icon : {window.bigIcon, window.smallIcon}) {
            if (icon != nullptr) {
                DestroyIcon(icon);
            }
        }
        window.bigIcon = window.smallIcon = nullptr;
    }

    // The window of a handle; during CreateWindowExA, the window being made learns its handle
    // from its first message.
    NativeWindow* WindowOf(HWND handle) {
        for (auto& window : windows) {
            if (window->window == handle) {
                return window.get();
            }
        }
        if (creating != nullptr && creating->window == nullptr) {
            creating->window = handle;
        }
        return creating != nullptr && creating->window == handle ? creating : nullptr;
    }

    LRESULT Handle(NativeWindow& window, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP:
            OnKey(window, message == WM_KEYDOWN || message == WM_SYSKEYDOWN, wParam, lParam);
            // Alt and F10 would otherwise open the window's menu and hold the show.
            return 0;
        case WM_SYSCHAR:
        case WM_CHAR:
            return 0;
        case WM_CLOSE:
            Post({NativeEventType::CloseRequest, &window, 0, false, false});
            return 0;
        case WM_ENDSESSION:
            if (wParam != FALSE) {
                Post({NativeEventType::CloseRequest, &window, 0, false, false});
            }
            return 0;
        case WM_SYSCOMMAND: {
            const WPARAM command = wParam & 0xFFF0;
            if (command == SC_KEYMENU ||
                (!screenSaverAllowed && (command == SC_SCREENSAVE || command == SC_MONITORPOWER))) {
                return 0;
            }
            break;
        }
        case WM_ACTIVATEAPP:
            FollowFocus(window, wParam != FALSE);
            break;
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT) {
                SetCursor(CursorShown() ? LoadCursorA(nullptr, IDC_ARROW) : nullptr);
                return TRUE;
            }
            break;
        case WM_ERASEBKGND:
            return 1; // OpenGL draws every pixel
        default:
            break;
        }
        return DefWindowProcA(window.window, message, wParam, lParam);
    }

    void OnKey(NativeWindow& window, bool down, WPARAM windowsKey, LPARAM flags) {
        const int key = VirtualKeyOf(static_cast<unsigned>(windowsKey));
        if (key == 0) {
            return;
        }
        const bool alt = AltDown(flags) || key == VK_MENU;
        const bool viewSwitch = key == VK_F11 || (key == VK_RETURN && AltDown(flags));
        if (window.showsView && viewSwitch) {
            if (down && !Repeated(flags)) {
                SwitchFullscreen(window);
            }
            return;
        }
        Post({down ? NativeEventType::KeyDown : NativeEventType::KeyUp, &window, key, alt,
              down && Repeated(flags)});
    }

    void Post(const NativeEvent& event) { events.push_back(event); }

    LONG ChangeMode(DWORD flags) const {
        DEVMODEA devMode{};
        devMode.dmSize = sizeof(devMode);
        devMode.dmPelsWidth = static_cast<DWORD>(mode.width);
        devMode.dmPelsHeight = static_cast<DWORD>(mode.height);
        devMode.dmBitsPerPel = static_cast<DWORD>(mode.bits);
        devMode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
        return ChangeDisplaySettingsA(&devMode, flags);
    }

    void RestoreDesktopMode() {
        if (modeApplied) {
            ChangeDisplaySettingsA(nullptr, 0);
            modeApplied = false;
        }
    }

    bool ApplyShowMode() {
        if (!modeApplied) {
            modeApplied = modeUsable && ChangeMode(CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
        }
        return modeApplied;
    }

    // Away from a full-screen show (Alt+Tab), the desktop has its own mode back and the show
    // steps out of the way; back on it, the show's mode returns. The show goes on meanwhile.
    void FollowFocus(NativeWindow& window, bool active) {
        if (!window.fullscreen) {
            return;
        }
        if (!active && IsWindowVisible(window.window) != FALSE && !window.away) {
            window.away = true;
            RestoreDesktopMode();
            ::ShowWindow(window.window, SW_MINIMIZE);
        } else if (active && window.away && modeSet) {
            window.away = false;
            ApplyShowMode();
            ::ShowWindow(window.window, SW_RESTORE);
            SetWindowPos(window.window, HWND_TOP, 0, 0, mode.width, mode.height,
                         SWP_SHOWWINDOW | SWP_FRAMECHANGED);
        }
    }

    // The show's window between full screen in the show's mode and a window at the desktop's
    // mode. The same window changes its style and size, so its context stays with it.
    void SwitchFullscreen(NativeWindow& window) {
        const bool toFullscreen = !window.fullscreen;
        if (toFullscreen) {
            RECT client{};
            GetClientRect(window.window, &client);
            if (!ApplyShowMode()) {
                return;
            }
            window.windowedWidth = client.right;
            window.windowedHeight = client.bottom;
            SetWindowLongPtrA(window.window, GWL_STYLE, fullscreenStyle | WS_VISIBLE);
            SetWindowPos(window.window, HWND_TOP, 0, 0, mode.width, mode.height,
                         SWP_SHOWWINDOW | SWP_FRAMECHANGED);
        } else {
            RestoreDesktopMode();
            const SIZE outer =
                OuterSize(window.windowedWidth, window.windowedHeight, viewWindowStyle);
            const POINT position = Centred(outer);
            SetWindowLongPtrA(window.window, GWL_STYLE, viewWindowStyle | WS_VISIBLE);
            SetWindowPos(window.window, HWND_NOTOPMOST, position.x, position.y, outer.cx, outer.cy,
                         SWP_SHOWWINDOW | SWP_FRAMECHANGED);
        }
        window.fullscreen = toFullscreen;
        ApplyCursor();
    }

    // With the window's context current. A window always keeps the canvas's shape; full
    // screen stretches it unless asked to keep it.
    void FitViewport(NativeWindow& window) {
        if (!window.showsView) {
            return;
        }
        RECT client{};
        GetClientRect(window.window, &client);
        FollowCanvasViewport(&window.viewport, client.right, client.bottom,
                             !window.fullscreen || view.keepAspect);
    }

    // The program hides the pointer for full screen; over a window it stays in sight.
    bool CursorShown() const {
        return cursorWanted || std::any_of(windows.begin(), windows.end(), [](const auto& window) {
                   return window->showsView && !window->fullscreen;
               });
    }

    void ApplyCursor() const {
        POINT pointer{};
        GetCursorPos(&pointer);
        const HWND under = WindowFromPoint(pointer);
        for (const auto& window : windows) {
            if (window->window == under) {
                SetCursor(CursorShown() ? LoadCursorA(nullptr, IDC_ARROW) : nullptr);
            }
        }
    }

    const ViewOptions view;
    Mode mode{0, 0, 0};
    bool modeSet = false;
    bool modeUsable = false;  // the screen takes the show's mode
    bool modeApplied = false; // the screen is in the show's mode now
    bool cursorWanted = true;
    bool screenSaverAllowed = false;
    std::vector<std::string> classes;
    std::vector<std::unique_ptr<NativeWindow>> windows;
    std::vector<std::unique_ptr<NativeContext>> contexts;
    NativeWindow* creating = nullptr; // the window whose CreateWindowExA is under way
    NativeWindow* currentWindow = nullptr;
    std::deque<NativeEvent> events;
    WaveOut audio;
    std::string failure; // FailureReason's text
    AudioLost audioLost = nullptr;
    void* audioUser = nullptr;
};

Win32Backend* Win32Backend::current = nullptr;

} // namespace

std::unique_ptr<Backend> CreateLiveBackend(const ViewOptions& view) {
    return std::make_unique<Win32Backend>(view);
}
