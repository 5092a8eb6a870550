#pragma once

#include "platform/types.h"

constexpr int programIconId = 107;
constexpr char musicPath[] = "data\\muzak.mp3";

// The whole run: start-up, main loop, shutdown. 0 after a normal end, 1 after a start-up
// failure (whose message has been shown).
int RunDemo();

// The program's entry point, called by the platform layer.
int WinMain(HINSTANCE instance, HINSTANCE previousInstance, char* commandLine, int showCommand);
