#pragma once

// The values that the front ends' options take, read strictly: digits only, within range.

#include <string>

constexpr int largestSide = 16384;

constexpr int largestAudioLatencyMs = 1000;

// A whole decimal number from low to high, nothing else in the text.
bool ReadNumber(const std::string& text, long low, long high, int* value);
// As ReadNumber, with an optional sign.
bool ReadSignedNumber(const std::string& text, long low, long high, int* value);
// Milliseconds that the sound is heard later than its device reports (--audio-latency, the
// page's ?latency=): from -largestAudioLatencyMs to largestAudioLatencyMs.
bool ReadAudioLatency(const std::string& text, int* ms);
// What ReadAudioLatency takes, in words for a refusal.
std::string AudioLatencyRange();
// "WIDTHxHEIGHT", each side from 1 to largestSide; width and height are left alone on failure.
bool ReadSize(const std::string& text, int* width, int* height);
// "WIDTHxHEIGHT" as ReadSize, or followed by "+X+Y", the top-left corner on the desktop, each
// coordinate "+N" or "-N" ("-20": 20 left of the desktop's edge), N up to largestSide. *placed
// tells which; the outputs are left alone on failure.
bool ReadWindowGeometry(const std::string& text, int* width, int* height, bool* placed, int* x,
                        int* y);
// "WIDTHxHEIGHT+X+Y", as ReadWindowGeometry reads it back.
std::string WindowGeometryText(int width, int height, int x, int y);
