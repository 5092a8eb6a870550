// The line below a message for a part of the platform that could not start.

#include "platform/failure_advice.h"

#include <gtest/gtest.h>

namespace {

TEST(FailureAdvice, TheNativeReasonBecomesOneLineOrNone) {
    EXPECT_EQ(NativeFailureAdvice("window", "x11 not available"), "no window: x11 not available");
    EXPECT_EQ(NativeFailureAdvice("window", ""), "");
    EXPECT_EQ(NativeFailureAdvice("window", " \n\t"), "");
    // Drivers may end their text with a line break, or spread it over lines.
    EXPECT_EQ(NativeFailureAdvice("GL context", "failed to load driver\nswrast\r\n"),
              "no GL context: failed to load driver swrast");
}

} // namespace
