#include "platform/gl_context.h"

#include "platform/backend.h"
#include "platform/frame_timing.h"
#include "platform/window_records.h"

#include <algorithm>
#include <memory>
#include <vector>

struct PlatformGLContext {
    NativeContext* native = nullptr;
};

namespace {

std::vector<std::unique_ptr<PlatformGLContext>> contexts;
HGLRC currentContext = nullptr;

bool IsContext(HGLRC context) {
    return context != nullptr &&
           std::any_of(contexts.begin(), contexts.end(),
                       [context](const auto& record) { return record.get() == context; });
}

PixelFormat FormatOf(const PIXELFORMATDESCRIPTOR& descriptor) {
    return PixelFormat{descriptor.cColorBits, descriptor.cDepthBits, descriptor.cStencilBits};
}

} // namespace

void ForgetContextRecords() {
    contexts.clear();
    currentContext = nullptr;
}

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* descriptor) {
    constexpr DWORD required = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    if (!IsDeviceContext(dc) || descriptor == nullptr ||
        descriptor->nSize != sizeof(PIXELFORMATDESCRIPTOR) || descriptor->nVersion != 1 ||
        (descriptor->dwFlags & required) != required || descriptor->iPixelType != PFD_TYPE_RGBA) {
        return 0;
    }
    return CurrentBackend().ChoosePixelFormat(FormatOf(*descriptor));
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* /*descriptor*/) {
    // A window takes its pixel format once.
    if (!IsDeviceContext(dc) || format <= 0 || dc->pixelFormat != 0) {
        return FALSE;
    }
    if (!CurrentBackend().SetPixelFormat(dc->window->native, format)) {
        AdviseBackendFailure("pixel format");
        return FALSE;
    }
    dc->pixelFormat = format;
    return TRUE;
}

BOOL SwapBuffers(HDC dc) {
    if (!IsDeviceContext(dc)) {
        return FALSE;
    }
    CurrentBackend().SwapBuffers(dc->window->native);
    NoteFramePresented();
    return TRUE;
}

HGLRC wglCreateContext(HDC dc) {
    if (!IsDeviceContext(dc) || dc->pixelFormat == 0) {
        return nullptr;
    }
    NativeContext* native = CurrentBackend().CreateContext(dc->window->native);
    if (native == nullptr) {
        AdviseBackendFailure("GL context");
        return nullptr;
    }
    contexts.push_back(std::make_unique<PlatformGLContext>());
    contexts.back()->native = native;
    return contexts.back().get();
}

BOOL wglMakeCurrent(HDC dc, HGLRC context) {
    if (context == nullptr) {
        if (!CurrentBackend().MakeCurrent(nullptr, nullptr)) {
            return FALSE;
        }
        currentContext = nullptr;
        return TRUE;
    }
    if (!IsDeviceContext(dc) || !IsContext(context)) {
        return FALSE;
    }
    if (!CurrentBackend().MakeCurrent(dc->window->native, context->native)) {
        AdviseBackendFailure("current GL context");
        return FALSE;
    }
    currentContext = context;
    return TRUE;
}

BOOL wglDeleteContext(HGLRC context) {
    if (!IsContext(context)) {
        return FALSE;
    }
    if (context == currentContext) {
        wglMakeCurrent(nullptr, nullptr);
    }
    if (!CurrentBackend().DeleteContext(context->native)) {
        return FALSE;
    }
    contexts.erase(std::find_if(contexts.begin(), contexts.end(),
                                [context](const auto& record) { return record.get() == context; }));
    return TRUE;
}
