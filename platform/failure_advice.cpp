#include "platform/failure_advice.h"

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
