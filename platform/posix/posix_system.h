#pragma once

// What the POSIX services share beyond the system's interface. Not for use outside platform/.

// Becomes readable when a close request arrives, so that a wait on descriptors wakes for it
// on any thread; the reader drains it. -1 before the requests are routed.
int SignalWakeDescriptor();
