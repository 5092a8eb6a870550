#pragma once

// The C runtime's random numbers as the program relies on them: 0 to 32767, from a
// generator that the program never seeds, so every run draws the same numbers. Our own
// 15-bit generator, so that the range and the sequence are the same on every platform.

constexpr int randomNumberMax = 32767;

int RandomNumber();

// The program never calls this; tests start a known sequence with it.
void SeedRandomNumbers(unsigned int seed);
