#pragma once

// Where a capture goes: a video file, or pictures and a sound file.

#include "platform/offscreen/capture_sink.h"

#include <string>

class CaptureOutput {
public:
    virtual ~CaptureOutput() = default;

    // Before the first samples, when the show has music.
    virtual void StartAudio(int rate, int channels) = 0;
    // name: the picture's file name, for outputs that write pictures.
    virtual void WriteFrame(const CapturedFrame& frame, const std::string& name) = 0;
    virtual void WriteAudio(const float* samples, int frames) = 0;
    // True once something could not be written; what follows is then dropped.
    virtual bool Failed() const = 0;
    // Writes what is still waiting and closes. False, with the reason, when not all of it
    // could be written.
    virtual bool Finish(std::string* error) = 0;
};
