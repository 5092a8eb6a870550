#include "platform/failure_advice.h"

#include <algorithm>
#include <cctype>
#include <mutex>

namespace {
std::mutex adviceMutex;
std::string pendingAdvice;
} // namespace

void SetFailureAdvice(const std::string& advice) {
    const std::lock_guard<std::mutex> lock(adviceMutex);
    pendingAdvice = advice;
}

std::string TakeFailureAdvice() {
    std::string advice;
    const std::lock_guard<std::mutex> lock(adviceMutex);
    advice.swap(pendingAdvice);
    return advice;
}

std::string NativeFailureAdvice(const std::string& part, const std::string& reason) {
    // One line, whatever the native text holds.
    std::string line = reason;
    std::replace_if(
        line.begin(), line.end(), [](unsigned char c) { return std::iscntrl(c) != 0; }, ' ');
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    line.erase(std::find_if_not(line.rbegin(), line.rend(), blank).base(), line.end());
    line.erase(line.begin(), std::find_if_not(line.begin(), line.end(), blank));
    return line.empty() ? line : "no " + part + ": " + line;
}
