#pragma once

// A line for the user that the next message box adds on standard error below its text, for
// a failure that the user can do something about; empty for none. Set from any thread.

#include <string>

void SetFailureAdvice(const std::string& advice);
std::string TakeFailureAdvice();

// The line for a part of the platform that could not start (a window, a GL context, a
// display mode, the sound device), from the native system's reason: "no window: <reason>".
// Empty when the native system gave no reason.
std::string NativeFailureAdvice(const std::string& part, const std::string& reason);
