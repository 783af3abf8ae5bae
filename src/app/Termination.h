#pragma once
class QApplication;

// A logout, a shutdown or a termination signal ends Kalimo as a close from outside does: the
// answered part of a run is kept in the protocol, the options are written and the player's lock is
// released, without any window waiting for an answer; then the program ends with exit code 0.
namespace termination {
// Before the sound library starts: SIGTERM, SIGHUP and SIGINT come to the event loop (the sound
// library is told to leave them alone), and so does the session manager's end of the session.
void install(QApplication& app);
}
