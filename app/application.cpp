#include "app/application.h"

#include "app/error_text.h"
#include "display/gl_display.h"
#include "platform/process.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

HINSTANCE g_instance = nullptr;
char g_windowTitle[windowTextCapacity];
char g_windowClassName[windowTextCapacity];

namespace {

constexpr int fpsOverlayKey = 'F';

void CopyWindowText(char* target, const char* text) {
    const std::size_t length = strnlen(text, windowTextCapacity - 1);
    std::memcpy(target, text, length);
    target[length] = '\0';
}

// One decimal int as "%d" reads it, but with overflow detected instead of undefined.
bool ReadInt(const char** cursor, int* value) {
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(*cursor, &end, 10);
    if (end == *cursor || errno == ERANGE || number < INT_MIN || number > INT_MAX) {
        return false;
    }
    *value = static_cast<int>(number);
    *cursor = end;
    return true;
}

// A window procedure is told of a repeat by bit 30 of the key message.
bool IsRepeat(LPARAM flags) {
    return (static_cast<std::uint32_t>(flags) & (1u << 30)) != 0;
}

} // namespace

UINT ChooseTimerPeriod(const TIMECAPS& caps) {
    UINT period = caps.wPeriodMin;
    if (period == 0) {
        period = 1;
    }
    if (period >= caps.wPeriodMax) {
        period = caps.wPeriodMax;
    }
    return period;
}

int ParseDisplayMode(const char* commandLine, int* width, int* height, int* bits) {
    const char* cursor = commandLine;
    bool inQuotes = false;
    for (;;) {
        const char c = *cursor;
        if (c == '"') {
            inQuotes = !inQuotes;
        }
        if (c == '\0' || (c == ' ' && !inQuotes)) {
            break;
        }
        ++cursor;
    }
    int values[3];
    for (int& value : values) {
        if (!ReadInt(&cursor, &value)) {
            return 0;
        }
    }
    *width = values[0];
    *height = values[1];
    *bits = values[2];
    return 1;
}

Application::Application()
    : keys{}, icon(nullptr), cursor(nullptr), timerPeriod(1), frameDelta(0.0), timeScale(0.1),
      lastTime(0), display(nullptr), seekRequest(-1) {
    g_instance = GetModuleHandleA(nullptr);
    CopyWindowText(g_windowTitle, projectName);
    CopyWindowText(g_windowClassName, "Zarvel Project Class");
    icon = LoadIconA(nullptr, IDI_WINLOGO);
    cursor = LoadCursorA(nullptr, IDC_ARROW);

    TIMECAPS caps{1, 1};
    timeGetDevCaps(&caps, sizeof(caps));
    timerPeriod = ChooseTimerPeriod(caps);
    timeBeginPeriod(timerPeriod);
    lastTime = timeGetTime();
}

Application::~Application() {
    delete display;
    timeEndPeriod(timerPeriod);
}

void Application::SetTitle(const char* text) {
    CopyWindowText(g_windowTitle, text);
}

void Application::SetIcon(HICON newIcon) {
    icon = newIcon;
}

int Application::RegisterWindowClass() {
    WNDCLASSA windowClass{};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = g_instance;
    windowClass.hIcon = icon;
    windowClass.hCursor = cursor;
    windowClass.lpszClassName = g_windowClassName;
    if (RegisterClassA(&windowClass) == 0) {
        SetErrorText("Can not register class");
        return 1;
    }
    return 0;
}

LRESULT Application::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Null until the display attaches it, for the messages that arrive during creation.
    auto* application = reinterpret_cast<Application*>( // NOLINT(performance-no-int-to-ptr)
        GetWindowLongA(window, GWL_USERDATA));
    switch (message) {
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
    case WM_ACTIVATE:
        return 0;
    case WM_KEYDOWN:
        if (application != nullptr) {
            application->OnKeyDown(wParam, lParam);
        }
        return 0;
    case WM_KEYUP:
        if (application != nullptr) {
            application->keys[wParam & 0xFF] = 0;
        }
        return 0;
    case WM_SYSCOMMAND:
        if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) {
            return 0;
        }
        break;
    case WM_APP_SEEK:
        if (application != nullptr && lParam >= 0 && lParam <= INT_MAX) {
            application->seekRequest = static_cast<int>(lParam);
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void Application::OnKeyDown(WPARAM key, LPARAM flags) {
    keys[key & 0xFF] = 1;
    if (key == fpsOverlayKey && !IsRepeat(flags) && display != nullptr) {
        display->ToggleFpsOverlay();
    }
}

GLDisplay* Application::CreateDisplay() {
    display = new GLDisplay();
    display->SetOwner(this);
    return display;
}

int Application::IsKeyDown(int key) const {
    return keys[key & 0xFF];
}

void Application::TickFrameClock() {
    const DWORD now = timeGetTime();
    const DWORD elapsed = now - lastTime;
    lastTime = now;
    frameDelta = static_cast<double>(elapsed) * timeScale;
}

void Application::RestoreFrameClock(const FrameClock& clock) {
    frameDelta = clock.frameDelta;
    lastTime = clock.lastTime;
}

void Application::RestartFrameClock() {
    RestoreFrameClock({0.0, timeGetTime()});
}

int Application::TakeSeekRequest() {
    const int asked = seekRequest;
    seekRequest = -1;
    return asked;
}

int Application::ParseCommandLine(int* width, int* height, int* bits) const {
    return ParseDisplayMode(GetCommandLineA(), width, height, bits);
}
