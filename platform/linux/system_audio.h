#pragma once

// The sound services of Linux itself, for the live backend: PulseAudio's, which PipeWire's
// PulseAudio server speaks too, and ALSA's, for a system without a sound server. Each plays on
// a thread of its own and passes to every pull what its device reports that it still holds,
// so that the music's clock follows the latency as it is, and as it changes (another device,
// Bluetooth headphones).

#include "platform/backend.h"

#include <memory>
#include <string>

class SystemAudioOutput {
public:
    SystemAudioOutput() = default;
    // No pull runs once the destructor has returned.
    virtual ~SystemAudioOutput() = default;
    SystemAudioOutput(const SystemAudioOutput&) = delete;
    SystemAudioOutput& operator=(const SystemAudioOutput&) = delete;

    // Opened paused; paused, no pull runs.
    virtual void Pause(bool paused) = 0;
    // True once the device or its server has gone; no pull comes after that.
    virtual bool Lost() const = 0;
    // The service and the device that plays, for a user's report.
    virtual std::string Name() const = 0;
};

// About 20 ms of samples per pull, in the power of two that sound drivers prefer; the device
// is asked to hold a few of them, so that starting and seeking stay quick.
int AudioPeriodFrames(int rate);

// The default output of the service, PulseAudio's asked for four periods and ALSA's for two;
// null, with the service's own words in failure, where it cannot be opened. Neither starts a
// sound server.
std::unique_ptr<SystemAudioOutput> OpenPulseAudioOutput(const AudioRequest& request,
                                                        int periodFrames, AudioDevice* opened,
                                                        std::string* failure);
std::unique_ptr<SystemAudioOutput> OpenAlsaOutput(const AudioRequest& request, int periodFrames,
                                                  AudioDevice* opened, std::string* failure);

// Whether the system's own services are wanted for the audio driver that the user asked SDL
// for (SDL_AUDIODRIVER, null when unset): not where it names another, such as SDL's dummy.
bool SystemAudioWanted(const char* driverAsked);

// PulseAudio's output, then ALSA's (ALSA's first where the driver asked for is ALSA). Null
// where neither opens, with each one's reason in failure.
std::unique_ptr<SystemAudioOutput> OpenSystemAudio(const AudioRequest& request,
                                                   const char* driverAsked, AudioDevice* opened,
                                                   std::string* failure);
