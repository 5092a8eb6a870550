#pragma once

// A message box drawn by a process of its own, a copy of the program started for just that
// box, so that the program can give up waiting for it: a box blocks the thread that shows
// it until it is clicked, and a signal must still end the run at once. Not for use outside
// platform/.

class Backend;

enum class BoxOutcome {
    Dismissed,   // the user closed the box
    Interrupted, // a signal came first: the box was taken down unanswered
    NotShown,    // the box process could not show a box (no display)
    NoProcess,   // no box process could be started
};

// True in a box process: the program was started only to show its owner's box.
bool InMessageBoxProcess();

// The whole run of a box process: argv holds the caption and the text after the program
// name, and backend shows the box. 0 once the box was closed, 2 when none could be shown.
// It dies with its owner, so that a killed program leaves no box behind.
int RunMessageBoxProcess(int argc, char** argv, Backend& backend);

// Starts a box process for caption and text and waits until the box is closed or a
// SIGINT, SIGTERM or SIGHUP arrives; the signal is left pending for the run to see.
BoxOutcome ShowMessageBoxInOwnProcess(const char* caption, const char* text);
