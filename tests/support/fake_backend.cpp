#include "support/fake_backend.h"

#include <algorithm>

namespace {

// A handle is the address of the fake's record behind it.
FakeWindow* Record(NativeWindow* window) {
    return reinterpret_cast<FakeWindow*>(window);
}

NativeWindow* Handle(FakeWindow* window) {
    return reinterpret_cast<NativeWindow*>(window);
}

template <typename Kept>
bool Erase(std::vector<std::unique_ptr<Kept>>& records, const void* handle) {
    const auto found =
        std::find_if(records.begin(), records.end(), [handle](const std::unique_ptr<Kept>& record) {
            return record.get() == handle;
        });
    if (found == records.end()) {
        return false;
    }
    records.erase(found);
    return true;
}

} // namespace

bool FakeBackend::Fails(const char* primitive) {
    if (failing.count(primitive) == 0) {
        return false;
    }
    failure = reasonsGiven ? std::string(primitive) + " refused" : std::string();
    return true;
}

bool FakeBackend::SetDisplayMode(int /*width*/, int /*height*/, int bits) {
    if (Fails("SetDisplayMode")) {
        return false;
    }
    displayModeSet = true;
    displayModeBits = bits;
    return true;
}

void FakeBackend::RestoreDisplayMode() {
    displayModeSet = false;
}

NativeWindow* FakeBackend::CreateWindow(const NativeWindowDescription& description) {
    if (Fails("CreateWindow")) {
        return nullptr;
    }
    windows.push_back(std::make_unique<FakeWindow>(FakeWindow{description, description.title}));
    return Handle(windows.back().get());
}

bool FakeBackend::DestroyWindow(NativeWindow* window) {
    return !Fails("DestroyWindow") && Erase(windows, window);
}

NativeWindow* FakeBackend::LastWindowHandle() const {
    return windows.empty() ? nullptr : Handle(windows.back().get());
}

void FakeBackend::ShowWindow(NativeWindow* window, bool visible) {
    Record(window)->shown = visible;
}

bool FakeBackend::AcquireDeviceContext(NativeWindow* /*window*/) {
    return !Fails("AcquireDeviceContext");
}

bool FakeBackend::ReleaseDeviceContext(NativeWindow* /*window*/) {
    return !Fails("ReleaseDeviceContext");
}

int FakeBackend::ChoosePixelFormat(const PixelFormat& wanted) {
    wantedFormat = wanted;
    return Fails("ChoosePixelFormat") ? 0 : 1;
}

bool FakeBackend::SetPixelFormat(NativeWindow* window, int format) {
    if (Fails("SetPixelFormat")) {
        return false;
    }
    Record(window)->format = format;
    return true;
}

NativeContext* FakeBackend::CreateContext(NativeWindow* window) {
    if (Fails("CreateContext")) {
        return nullptr;
    }
    contexts.push_back(std::make_unique<FakeContext>(FakeContext{Record(window)}));
    return reinterpret_cast<NativeContext*>(contexts.back().get());
}

bool FakeBackend::MakeCurrent(NativeWindow* /*window*/, NativeContext* context) {
    if (Fails(context == nullptr ? "ReleaseCurrent" : "MakeCurrent")) {
        return false;
    }
    contextCurrent = context != nullptr;
    return true;
}

bool FakeBackend::DeleteContext(NativeContext* context) {
    return !Fails("DeleteContext") && Erase(contexts, context);
}

bool FakeBackend::PollEvent(NativeEvent* event) {
    if (events.empty()) {
        return false;
    }
    *event = events.front();
    events.erase(events.begin());
    return true;
}

bool FakeBackend::ShowMessageBox(const char* /*caption*/, const char* /*text*/) {
    ++messageBoxes;
    return true;
}

bool FakeBackend::OpenAudio(const AudioRequest& request, AudioDevice* opened) {
    if (Fails("OpenAudio")) {
        return false;
    }
    audioRequest = request;
    audioOpen = true;
    audioPaused = true;
    *opened = {request.rate, request.channels, audioLatencyFrames, audioRealTime};
    return true;
}

void FakeBackend::PullAudio(int frames, int queuedFrames) {
    if (!audioOpen || audioPaused) {
        return;
    }
    const std::size_t start = audioSamples.size();
    audioSamples.resize(start + static_cast<std::size_t>(frames) * audioRequest.channels);
    audioRequest.pull(audioRequest.user, &audioSamples[start], frames, queuedFrames);
}

void FakeBackend::LoseAudio() {
    if (audioOpen && audioRequest.lost != nullptr) {
        audioRequest.lost(audioRequest.user);
    }
}

ScopedBackend::ScopedBackend(Backend& backend) {
    SetBackend(&backend);
}

ScopedBackend::~ScopedBackend() {
    SetBackend(nullptr);
}

std::string FakeBackend::DisplayLeftovers() const {
    std::string held;
    const auto add = [&held](bool holds, const std::string& what) {
        if (holds) {
            held += (held.empty() ? "" : ", ") + what;
        }
    };
    add(displayModeSet, "the display mode");
    add(contextCurrent, "a current context");
    add(LiveWindows() > 0, std::to_string(LiveWindows()) + " window(s)");
    add(LiveContexts() > 0, std::to_string(LiveContexts()) + " context(s)");
    return held;
}
