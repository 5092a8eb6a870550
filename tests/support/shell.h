#pragma once

// An Application with its window class registered and its display created, as the start-up
// makes them; taken down in the reverse order, the class unregistered for the next test.

#include "app/application.h"
#include "display/gl_display.h"

#include <memory>

class Shell {
public:
    Shell();
    ~Shell();
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;

    Application& App() { return *application; }
    GLDisplay& Display() { return *display; }

private:
    std::unique_ptr<Application> application;
    GLDisplay* display;
};
