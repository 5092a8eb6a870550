// The message queue. Native events are pumped into it on every look, one message leaves
// it per GetMessageA or PeekMessageA with PM_REMOVE, in the order they came.

#include "platform/backend.h"
#include "platform/process_internal.h"
#include "platform/timer.h"
#include "platform/window_records.h"

#include <deque>

namespace {

std::deque<MSG> queue;

// lParam of a key message: repeat count 1, bit 29 with Alt down, bit 30 on a repeat,
// bit 31 on a release.
LPARAM KeyFlags(const NativeEvent& event, bool release) {
    std::uint32_t flags = 1;
    if (event.altDown) {
        flags |= 1u << 29;
    }
    if (event.repeat || release) {
        flags |= 1u << 30;
    }
    if (release) {
        flags |= 1u << 31;
    }
    return static_cast<LPARAM>(flags);
}

void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    queue.push_back(MSG{window, message, wParam, lParam, timeGetTime(), {0, 0}});
}

void Translate(const NativeEvent& event) {
    const HWND window = WindowFromNative(event.window);
    if (window == nullptr) {
        return;
    }
    const auto key = static_cast<WPARAM>(event.virtualKey);
    switch (event.type) {
    case NativeEventType::KeyDown:
        // Keys pressed with Alt, and Alt itself, are system keys.
        Post(window, event.altDown ? WM_SYSKEYDOWN : WM_KEYDOWN, key, KeyFlags(event, false));
        break;
    case NativeEventType::KeyUp:
        Post(window, event.altDown ? WM_SYSKEYUP : WM_KEYUP, key, KeyFlags(event, true));
        break;
    case NativeEventType::CloseRequest:
        Post(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case NativeEventType::Seek:
        Post(window, WM_APP_SEEK, 0, static_cast<LPARAM>(event.milliseconds));
        break;
    }
}

void Pump() {
    Backend& backend = CurrentBackend();
    NativeEvent event{};
    while (backend.PollEvent(&event)) {
        Translate(event);
    }
    // A signal closes the window as its close box would; it waits for a window to exist.
    const HWND window = FirstWindow();
    if (window != nullptr && TakeSignalCloseRequest()) {
        Post(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
}

} // namespace

void ForgetMessages() {
    queue.clear();
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window != nullptr && !IsWindow(window)) {
        return FALSE;
    }
    Post(window, message, wParam, lParam);
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    Post(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0);
}

BOOL PeekMessageA(MSG* message, HWND /*window*/, UINT /*filterMin*/, UINT /*filterMax*/,
                  UINT removeFlags) {
    Pump();
    if (queue.empty()) {
        return FALSE;
    }
    *message = queue.front();
    if ((removeFlags & PM_REMOVE) != 0) {
        queue.pop_front();
    }
    return TRUE;
}

BOOL GetMessageA(MSG* message, HWND /*window*/, UINT /*filterMin*/, UINT /*filterMax*/) {
    Pump();
    while (queue.empty()) {
        CurrentBackend().WaitEvent(100);
        Pump();
    }
    *message = queue.front();
    queue.pop_front();
    return message->message == WM_QUIT ? FALSE : TRUE;
}

DWORD MsgWaitForMultipleObjects(DWORD count, const void* const* /*handles*/, BOOL /*waitAll*/,
                                DWORD milliseconds, DWORD /*wakeMask*/) {
    Pump();
    if (queue.empty()) {
        CurrentBackend().WaitEvent(static_cast<int>(milliseconds));
        Pump();
    }
    return queue.empty() ? WAIT_TIMEOUT : WAIT_OBJECT_0 + count;
}

BOOL TranslateMessage(const MSG* message) {
    // The program reads keys, not characters, so no character messages are made.
    return message != nullptr &&
                   (message->message == WM_KEYDOWN || message->message == WM_SYSKEYDOWN)
               ? TRUE
               : FALSE;
}

LRESULT DispatchMessageA(const MSG* message) {
    if (message == nullptr || !IsWindow(message->hwnd)) {
        return 0;
    }
    return message->hwnd->procedure(message->hwnd, message->message, message->wParam,
                                    message->lParam);
}
