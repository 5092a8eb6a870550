#include "support/shell.h"

#include <gtest/gtest.h>

Shell::Shell() : application(std::make_unique<Application>()), display(nullptr) {
    EXPECT_EQ(application->RegisterWindowClass(), 0);
    display = application->CreateDisplay();
}

Shell::~Shell() {
    application.reset();
    UnregisterClassA(g_windowClassName, g_instance);
}
