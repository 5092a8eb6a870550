#pragma once

// The values that the front ends' options take, read strictly: digits only, within range.

#include <string>

constexpr int largestSide = 16384;

// A whole decimal number from low to high, nothing else in the text.
bool ReadNumber(const std::string& text, long low, long high, int* value);
// "WIDTHxHEIGHT", each side from 1 to largestSide; width and height are left alone on failure.
bool ReadSize(const std::string& text, int* width, int* height);
