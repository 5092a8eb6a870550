#pragma once

// The system's requests to end the program (signals, or Windows' console events), counted
// where they arrive and taken by the message queue, which closes the window for each. Not for
// use outside platform/.

// Counts one request; safe in a signal handler and on any thread.
void NoteCloseRequest();
// True once for each request noted since the last call.
bool TakeSignalCloseRequest();
// True while a request waits to be taken, without taking it.
bool SignalCloseRequested();
