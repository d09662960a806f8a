// SIGINT, SIGTERM and SIGHUP end a run cleanly: they only raise a flag that the waiting loops and
// the publishing steps look at, so the converter is stopped and this run's files are removed.
#pragma once

// Installs the handlers; call once, before the first converter run.
void installStopHandlers();

// The number of the first stop signal received, 0 while none came.
int stopSignal();
