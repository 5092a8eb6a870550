#include "app/live_program.h"
#include "app/run_demo.h"

int main(int argc, char** argv) {
    return RunLiveProgram(argc, argv, WinMain, musicPath);
}
