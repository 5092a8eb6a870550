#include "platform/linux/system_audio.h"

#include <strings.h>

namespace {

bool Named(const char* driver, const char* name) {
    return driver != nullptr && strcasecmp(driver, name) == 0;
}

} // namespace

int AudioPeriodFrames(int rate) {
    int frames = 256;
    while (frames < rate / 50 && frames < 8192) {
        frames *= 2;
    }
    return frames;
}

bool SystemAudioWanted(const char* driverAsked) {
    return driverAsked == nullptr || driverAsked[0] == '\0' || Named(driverAsked, "pulseaudio") ||
           Named(driverAsked, "pulse") || Named(driverAsked, "alsa");
}

std::unique_ptr<SystemAudioOutput> OpenSystemAudio(const AudioRequest& request,
                                                   const char* driverAsked, AudioDevice* opened,
                                                   std::string* failure) {
    using Opener = std::unique_ptr<SystemAudioOutput> (*)(const AudioRequest&, int, AudioDevice*,
                                                          std::string*);
    struct Service {
        const char* name;
        Opener open;
    };
    const Service pulse{"PulseAudio", OpenPulseAudioOutput};
    const Service alsa{"ALSA", OpenAlsaOutput};
    const bool alsaFirst = Named(driverAsked, "alsa");
    const Service order[] = {alsaFirst ? alsa : pulse, alsaFirst ? pulse : alsa};
    failure->clear();
    for (const Service& service : order) {
        std::string reason;
        std::unique_ptr<SystemAudioOutput> output =
            service.open(request, AudioPeriodFrames(request.rate), opened, &reason);
        if (output != nullptr) {
            failure->clear();
            return output;
        }
        *failure += (failure->empty() ? "" : "; ") + std::string(service.name) + ": " + reason;
    }
    return nullptr;
}
