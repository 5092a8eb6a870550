#pragma once

// The text of the most recent failure, written where it happens and shown at start-up's end.

constexpr int errorTextCapacity = 256;
constexpr char projectName[] = "Zarvel Project";

extern char g_lastError[errorTextCapacity];

// Copies at most errorTextCapacity - 1 characters; a longer text is cut.
void SetErrorText(const char* text);
void ShowErrorText();
