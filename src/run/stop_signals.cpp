// SIGINT, SIGTERM and SIGHUP end a run cleanly: they only raise a flag that the waiting loops and
// the publishing steps look at, so the converter is stopped and this run's files are removed.
#include "run/stop_signals.h"

#include <csignal>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t receivedSignal = 0;

void rememberSignal(int number) {
    if (receivedSignal == 0) {
        receivedSignal = number;
    }
}

}  // namespace

void installStopHandlers() {
    struct sigaction action {};
    action.sa_handler = rememberSignal;
    sigemptyset(&action.sa_mask);
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(number, &action, nullptr);
    }
}

int stopSignal() {
    return receivedSignal;
}
