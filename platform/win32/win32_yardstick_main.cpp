// The least a Windows program does to show a frame as the show shows its first: the same
// full-screen mode, window, pixel format and OpenGL context, one cleared frame presented.
// It says so on standard output, for the benchmark that times it against the show.

#define WIN32_LEAN_AND_MEAN
#include <GL/gl.h>
#include <windows.h>

#include <cstdio>

namespace {

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int main() {
    constexpr int width = 640;
    constexpr int height = 480;
    DEVMODEA mode{};
    mode.dmSize = sizeof(mode);
    mode.dmPelsWidth = width;
    mode.dmPelsHeight = height;
    mode.dmBitsPerPel = 32;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) {
        return 1;
    }
    WNDCLASSA windowClass{};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "Yardstick";
    RegisterClassA(&windowClass);
    const HWND window =
        CreateWindowExA(WS_EX_APPWINDOW, "Yardstick", "Yardstick", WS_POPUP, 0, 0, width, height,
                        nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    const HDC dc = GetDC(window);
    PIXELFORMATDESCRIPTOR format{};
    format.nSize = sizeof(format);
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 32;
    format.cDepthBits = 16;
    format.iLayerType = PFD_MAIN_PLANE;
    SetPixelFormat(dc, ChoosePixelFormat(dc, &format), &format);
    const HGLRC context = wglCreateContext(dc);
    wglMakeCurrent(dc, context);
    ShowWindow(window, SW_SHOW);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SwapBuffers(dc);
    std::puts("first frame presented");
    std::fflush(stdout);
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(context);
    ReleaseDC(window, dc);
    DestroyWindow(window);
    ChangeDisplaySettingsA(nullptr, 0);
    return 0;
}
