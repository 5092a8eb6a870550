#include "display/gl_display.h"

#include "app/application.h"
#include "app/error_text.h"
#include "platform/timer.h"

#include <GL/gl.h>

#include <cstdio>

namespace {

int Fail(int code, const char* message) {
    SetErrorText(message);
    return code;
}

PIXELFORMATDESCRIPTOR DescribeFormat(int bits, int depthBits, int stencilBits) {
    PIXELFORMATDESCRIPTOR descriptor{};
    descriptor.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    descriptor.nVersion = 1;
    descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    descriptor.iPixelType = PFD_TYPE_RGBA;
    descriptor.cColorBits = static_cast<BYTE>(bits);
    descriptor.cDepthBits = static_cast<BYTE>(depthBits);
    descriptor.cStencilBits = static_cast<BYTE>(stencilBits);
    descriptor.iLayerType = PFD_MAIN_PLANE;
    return descriptor;
}

void SetInitialRenderState(int width, int height) {
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glDisable(GL_DITHER);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, 0.0, 1.0);
    glScalef(1.0f, -1.0f, 1.0f);
    glTranslatef(0.0f, static_cast<GLfloat>(-height), 0.0f);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.375f, 0.375f, 0.0f);
}

} // namespace

GLDisplay::GLDisplay()
    : width(0), height(0), owner(nullptr), showFps(false), fpsStartTime(0), frameCount(0),
      fpsStartFrame(0), stencilBits(0), depthBits(16), viewWidth(0), viewHeight(0), dc(nullptr),
      window(nullptr), isOpen(false), glContext(nullptr), fullscreen(false),
      fpsShown(0.0), rendererName{}, overlayNote{}, suspended(false) {}

GLDisplay::~GLDisplay() {
    Close();
}

int GLDisplay::Open(int newWidth, int newHeight, int bits, bool newFullscreen) {
    if (isOpen) {
        Close();
    }
    if (newWidth <= 0 || newHeight <= 0) {
        return Fail(11, "Mode is not valid");
    }

    DWORD style = WS_SYSMENU | WS_MINIMIZEBOX;
    int x = CW_USEDEFAULT;
    int y = CW_USEDEFAULT;
    if (newFullscreen) {
        DEVMODEA mode{};
        mode.dmSize = sizeof(DEVMODEA);
        mode.dmPelsWidth = static_cast<DWORD>(newWidth);
        mode.dmPelsHeight = static_cast<DWORD>(newHeight);
        mode.dmBitsPerPel = static_cast<DWORD>(bits);
        mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        fullscreen = true;
        if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) {
            return Fail(1, "Unable to set videomode");
        }
        ShowCursor(FALSE);
        ShowCursor(FALSE);
        x = 0;
        y = 0;
        style = WS_POPUP;
    }

    const auto failAndRelease = [this](int code, const char* message) {
        SetErrorText(message);
        Release();
        return code;
    };
    RECT rect{0, 0, newWidth, newHeight};
    AdjustWindowRectEx(&rect, style, FALSE, WS_EX_APPWINDOW);
    window = CreateWindowExA(WS_EX_APPWINDOW, g_windowClassName, g_windowTitle,
                             style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, x, y,
                             rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr) {
        return failAndRelease(2, "Can not create window");
    }
    SetWindowLongA(window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(owner));

    const PIXELFORMATDESCRIPTOR descriptor = DescribeFormat(bits, depthBits, stencilBits);
    dc = GetDC(window);
    if (dc == nullptr) {
        return failAndRelease(3, "Can not acquire dc from window");
    }
    const int format = ChoosePixelFormat(dc, &descriptor);
    if (format == 0) {
        return failAndRelease(4, "Not valid videomode");
    }
    if (!SetPixelFormat(dc, format, &descriptor)) {
        return failAndRelease(5, "Unable to set videomode");
    }
    glContext = wglCreateContext(dc);
    if (glContext == nullptr) {
        return failAndRelease(6, "Can not create GL context");
    }
    if (!wglMakeCurrent(dc, glContext)) {
        return failAndRelease(7, "Can not make current context");
    }
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    std::snprintf(rendererName, sizeof(rendererName), "%s", renderer != nullptr ? renderer : "");

    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    SetInitialRenderState(newWidth, newHeight);

    isOpen = true;
    width = viewWidth = newWidth;
    height = viewHeight = newHeight;
    fpsStartTime = timeGetTime();
    frameCount = 0;
    fpsStartFrame = 0;

    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    wglUseFontBitmapsA(dc, 0, 255, fontListBase);
    return 0;
}

void GLDisplay::SuspendDrawing() {
    if (isOpen && !suspended) {
        suspended = wglMakeCurrent(nullptr, nullptr) != FALSE;
    }
}

void GLDisplay::ResumeDrawing() {
    if (isOpen && suspended) {
        suspended = wglMakeCurrent(dc, glContext) == FALSE;
    }
}

int GLDisplay::Close() {
    if (!isOpen) {
        return 5;
    }
    return Release();
}

int GLDisplay::Release() {
    if (fullscreen) {
        ChangeDisplaySettingsA(nullptr, 0);
        ShowCursor(TRUE);
    }
    if (glContext != nullptr) {
        if (!wglMakeCurrent(nullptr, nullptr)) {
            return 1;
        }
        if (!wglDeleteContext(glContext)) {
            return 2;
        }
        glContext = nullptr;
    }
    if (dc != nullptr) {
        const bool released = ReleaseDC(window, dc) != 0;
        // Cleared either way, so that a Close after a later failure does not release it again.
        dc = nullptr;
        if (!released) {
            return 3;
        }
    }
    if (window != nullptr && !DestroyWindow(window)) {
        window = nullptr;
        return 4;
    }
    isOpen = false;
    dc = nullptr;
    window = nullptr;
    return 0;
}
