#include "platform/system_report.h"

#include "platform/audio_file.h"

#include <GL/gl.h>

#include <algorithm>

namespace {

constexpr int reportRate = 44100;

std::string GlString(GLenum name) {
    const auto* text = reinterpret_cast<const char*>(glGetString(name));
    return text != nullptr && *text != '\0' ? text : "(not given)";
}

// "none (no display: the system's reason)"
std::string None(const std::string& what, const std::string& reason) {
    return "none (" + what + (reason.empty() ? "" : ": " + reason) + ")";
}

// The strings of a context made current on a hidden window, as the show's own is made.
std::string GraphicsLines(Backend& backend) {
    NativeWindowDescription description{};
    description.title = "Tuvoran";
    description.defaultPosition = true;
    description.width = 64;
    description.height = 64;
    description.className = "Tuvoran Report Class";
    NativeWindow* window = backend.CreateWindow(description);
    if (window == nullptr) {
        return "OpenGL: " + None("no display", backend.FailureReason()) + "\n";
    }
    std::string lines;
    NativeContext* context = nullptr;
    const int format = backend.AcquireDeviceContext(window)
                           ? backend.ChoosePixelFormat(PixelFormat{32, 16, 0})
                           : 0;
    if (format > 0 && backend.SetPixelFormat(window, format)) {
        context = backend.CreateContext(window);
    }
    if (context != nullptr && backend.MakeCurrent(window, context)) {
        lines = "OpenGL vendor: " + GlString(GL_VENDOR) +
                "\nOpenGL renderer: " + GlString(GL_RENDERER) +
                "\nOpenGL version: " + GlString(GL_VERSION) + "\n";
        backend.MakeCurrent(nullptr, nullptr);
    } else {
        lines = "OpenGL: " + None("no OpenGL context", backend.FailureReason()) + "\n";
    }
    if (context != nullptr) {
        backend.DeleteContext(context);
    }
    backend.ReleaseDeviceContext(window);
    backend.DestroyWindow(window);
    return lines;
}

void Silence(void* /*user*/, float* samples, int frames, int /*queuedFrames*/) {
    std::fill(samples, samples + static_cast<std::ptrdiff_t>(frames) * 2, 0.0f);
}

// The device opened paused, as the show opens it, and closed before it plays.
std::string SoundLine(Backend& backend) {
    const AudioRequest request{reportRate, 2, Silence, nullptr, nullptr};
    AudioDevice opened{};
    if (!backend.OpenAudio(request, &opened)) {
        return "Sound device: " + None("no sound device", backend.FailureReason()) + "\n";
    }
    const std::string name = backend.AudioDeviceName();
    backend.CloseAudio();
    return "Sound device: " + (name.empty() ? std::string("(not named)") : name) + "\n";
}

} // namespace

std::string SystemReport(Backend& backend) {
    return GraphicsLines(backend) + SoundLine(backend) + "Music decoder: " + AudioDecoderName() +
           "\n";
}
