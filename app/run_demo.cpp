#include "app/run_demo.h"

#include "app/application.h"
#include "app/error_text.h"
#include "app/program_icon.h"
#include "app/show_controls.h"
#include "audio/music_stream.h"
#include "demo/scene.h"
#include "demo/timeline.h"
#include "display/gl_display.h"
#include "gfx/picture_decoding.h"
#include "platform/platform.h"

namespace {

constexpr int escapeKey = VK_ESCAPE;

int Fail() {
    ShowErrorText();
    return 1;
}

} // namespace

int RunDemo() {
    // Objects of the run are locals: they are destroyed in the reverse order of their
    // construction on every path out of here, the Application last.
    Application application;
    Scene scene;
    MusicStream music;
    Swarms swarms;
    TimelineValues values;

    application.SetIcon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(programIconId)));
    application.SetTitle("Tuvoran");
    if (application.RegisterWindowClass() != 0) {
        return Fail();
    }
    int width = 640;
    int height = 480;
    int bits = 32;
    application.ParseCommandLine(&width, &height, &bits);
    GLDisplay* display = application.CreateDisplay();
    // Decoding needs no display: the pictures decode on the spare cores while it opens.
    PictureDecoding decoding(ScenePictureRequests());
    if (display->Open(width, height, bits, true) != 0) {
        return Fail();
    }
    if (LoadScene(scene, swarms, values, decoding) != 0) {
        return Fail();
    }
    if (music.Play(musicPath, false) != 0) {
        return Fail();
    }
    SetTimelineValues(values);
    Show show{*display, application, scene, swarms, values};
    ShowControls controls(show, application, music, GetShowControlOptions());

    int quit = 0;
    while (quit == 0) {
        controls.BeginFrame();
        display->Clear();
        const int t = music.GetTime();
        DrawTimeline(show, t);

        // All three are asked every frame, in this order: the frame is always presented.
        const int escapeDown = application.IsKeyDown(escapeKey);
        const int windowClosed = display->EndFrame();
        const int musicEnded = music.HasEnded();
        quit = escapeDown | windowClosed | controls.EndFrame(t, musicEnded);
    }
    controls.WriteState();

    swarms.FreeParticles();
    display->Close();
    return 0;
}

int WinMain(HINSTANCE /*instance*/, HINSTANCE /*previousInstance*/, char* /*commandLine*/,
            int /*showCommand*/) {
    RegisterIconResource(programIconId, ProgramIcon());
    return RunDemo();
}
