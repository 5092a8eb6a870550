#pragma once

// 16-bit PCM at a rate and channel count, as both the wave output and the MP3 codec take it.
// Needs windows.h and mmsystem.h before it.

inline WAVEFORMATEX Pcm16Format(int rate, int channels) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(channels);
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(channels * 2);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    return format;
}
