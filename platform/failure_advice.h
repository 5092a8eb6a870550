#pragma once

// A line for the user that the next message box adds on standard error below its text, for
// a failure that the user can do something about; empty for none. Set from any thread.

#include <string>

void SetFailureAdvice(const std::string& advice);
std::string TakeFailureAdvice();
