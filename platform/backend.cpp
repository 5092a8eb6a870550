#include "platform/backend.h"

#include "platform/failure_advice.h"

#include <cstdio>
#include <cstdlib>

namespace {
Backend* current = nullptr;
}

void SetBackend(Backend* backend) {
    current = backend;
}

Backend& CurrentBackend() {
    if (current == nullptr) {
        std::fputs("platform: no backend is current\n", stderr);
        std::abort();
    }
    return *current;
}

void AdviseBackendFailure(const std::string& part) {
    SetFailureAdvice(NativeFailureAdvice(part, CurrentBackend().FailureReason()));
}
