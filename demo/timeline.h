#pragma once

// The script of the show: sixteen layers, each with a window on the music time.

#include "demo/scene.h"

class Application;
class GLDisplay;

struct Show {
    GLDisplay& display;
    const Application& application; // its frameDelta scales every motion and fade
    Scene& scene;
    Swarms& swarms;
    TimelineValues& values;
};

// One frame of the show at music time t (milliseconds), then the advance of the phase.
void DrawTimeline(Show& show, int t);
