#include "platform/web/web_page.h"

#include "platform/stb/pictures_ahead.h"

#include <dirent.h>
#include <emscripten.h>

#include <string>

// clang-format off
EM_ASYNC_JS(void, JsWaitForShowStart, (int* start), {
    const request = await Module.page.waitForStart();
    HEAP32[start >> 2] = request.width;
    HEAP32[(start >> 2) + 1] = request.height;
    HEAP32[(start >> 2) + 2] = request.stillMs;
    HEAP32[(start >> 2) + 3] = request.startMs;
    HEAP32[(start >> 2) + 4] = request.paused ? 1 : 0;
    HEAP32[(start >> 2) + 5] = request.loop ? 1 : 0;
});

EM_ASYNC_JS(void, JsWaitForAnimationFrame, (), {
    await new Promise((resolve) => requestAnimationFrame(resolve));
});

EM_ASYNC_JS(void, JsYieldToBrowser, (), {
    await new Promise((resolve) => setTimeout(resolve, 0));
});

// The event's kind as PageEventType numbers it, its value in *value.
EM_JS(int, JsTakePageEvent, (int* value), {
    const event = Module.page.takeEvent();
    if (event === null) {
        return 0;
    }
    HEAP32[value >> 2] = event.value || 0;
    return { keydown: 1, keyup: 2, seek: 3, close: 4 }[event.kind];
});

EM_JS(double, JsPageClockMs, (), { return Module.page.clockMs(); });

EM_JS(void, JsReportShowEnded, (), { Module.page.showEnded(); });
EM_JS(void, JsReportStillDrawn, (), { Module.page.stillDrawn(); });
EM_JS(void, JsReportFailure, (const char* text), { Module.page.fail(UTF8ToString(text)); });
EM_JS(void, JsCountPresentedFrame, (int frames), { Module.page.frames = frames; });
EM_JS(void, JsSetCursorShown, (int shown), {
    Module.canvas.style.cursor = shown ? "" : "none";
});
EM_JS(void, JsSetScreenKeptAwake, (int awake), { Module.page.keepAwake(awake !== 0); });
EM_JS(void, JsSetPageTitle, (const char* title), { document.title = UTF8ToString(title); });
// The text's bytes in UTF-8, -1 where the address has none.
EM_JS(int, JsLatencyTextBytes, (), {
    const text = Module.page.latencyText;
    return text === null ? -1 : lengthBytesUTF8(text);
});
EM_JS(void, JsCopyLatencyText, (char* text, int size), {
    stringToUTF8(Module.page.latencyText, text, size);
});
EM_JS(void, JsSetVirtualMusicMs, (double ms), { Module.page.virtualMusicMs = ms; });
// clang-format on

ShowStart WaitForShowStart() {
    int start[6] = {0, 0, -1, 0, 0, 0};
    JsWaitForShowStart(start);
    return {start[0], start[1], start[2], start[3], start[4] != 0, start[5] != 0};
}

void ReportShowEnded() {
    JsReportShowEnded();
}

void ReportStillDrawn() {
    JsReportStillDrawn();
}

void ReportFailure(const char* text) {
    JsReportFailure(text);
}

void WaitForAnimationFrame() {
    JsWaitForAnimationFrame();
}

void YieldToBrowser() {
    JsYieldToBrowser();
}

PageEvent TakePageEvent() {
    int value = 0;
    const int kind = JsTakePageEvent(&value);
    return {static_cast<PageEventType>(kind), value};
}

double PageClockMs() {
    return JsPageClockMs();
}

void CountPresentedFrame(int framesThisRun) {
    JsCountPresentedFrame(framesThisRun);
}

void SetCursorShown(bool shown) {
    JsSetCursorShown(shown ? 1 : 0);
}

void SetScreenKeptAwake(bool awake) {
    JsSetScreenKeptAwake(awake ? 1 : 0);
}

void SetPageTitle(const char* title) {
    JsSetPageTitle(title);
}

std::optional<std::string> PageLatencyText() {
    const int bytes = JsLatencyTextBytes();
    if (bytes < 0) {
        return std::nullopt;
    }
    std::string text(static_cast<std::size_t>(bytes) + 1, '\0');
    JsCopyLatencyText(text.data(), bytes + 1);
    text.resize(static_cast<std::size_t>(bytes));
    return text;
}

void SetVirtualMusicMs(std::int64_t ms) {
    JsSetVirtualMusicMs(static_cast<double>(ms));
}

// Called by the page once the data is in place and the start prompt is up, one picture a
// call, so that the page stays answerable between them; 0 when every one has been decoded.
extern "C" EMSCRIPTEN_KEEPALIVE int DecodeNextDataPictureAhead() {
    static DIR* folder = opendir("data");
    if (folder == nullptr) {
        return 0;
    }
    while (const dirent* entry = readdir(folder)) {
        if (entry->d_name[0] != '.') {
            DecodePictureAhead(("data/" + std::string(entry->d_name)).c_str());
            return 1;
        }
    }
    closedir(folder);
    folder = nullptr;
    return 0;
}
