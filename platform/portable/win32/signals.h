// Ending on a signal (SIGTERM from kill or a session's end, SIGINT, SIGHUP)
// at any time, also while the program is busy outside its message loop (a
// long load). The signal asks every window to close, as SDL's quit event
// does; when the program has not taken its quit message within a quarter of a
// second, or not ended within two, a watchdog thread writes a last line to
// the log, gives the desktop its display mode back and ends the process with
// exit code 0.
#pragma once

namespace portable {

// Installs the handlers and starts the watchdog; once, before anything else
// starts threads (the layer's entry does it).
void HandleTerminationSignals();
// True once a signal asked the program to end and the windows have not yet
// been asked to close: the event pump asks them, once.
bool TakeTerminationRequest();
// The program took its quit message: it is on its way out.
void NoteQuitTaken();

} // namespace portable
