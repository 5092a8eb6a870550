#include "app/run_demo.h"
#include "platform/process.h"
#include "platform/sdl/sdl_backend.h"

int main(int argc, char** argv) {
    const auto backend = CreateSdlBackend();
    return RunPlatform(argc, argv, *backend, WinMain);
}
