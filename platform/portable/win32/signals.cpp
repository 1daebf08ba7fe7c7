#include "platform/portable/win32/signals.h"

#include <fcntl.h>
#include <semaphore.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <thread>

#include <SDL_hints.h>

#include "platform/portable/win32/x11.h"

namespace portable {

namespace {
// Set by the handler (async-signal-safe: atomics and sem_post only).
std::atomic<int> g_signal{0};
std::atomic<bool> g_requestPending{false};
std::atomic<bool> g_quitTaken{false};
sem_t g_raised;

constexpr int kEndingSignals[] = {SIGTERM, SIGINT, SIGHUP};
// From the signal: to take the quit message, and to end once it is taken.
constexpr long kQuitWithinMs = 250;
constexpr long kEndWithinMs = 2000;
// What the program's log says last when the watchdog ends it: its own line
// format, appended to the file the program keeps in its working folder.
constexpr const char* kLogFile = "log.txt";

const char* SignalName(int signal)
{
    switch (signal) {
    case SIGTERM: return "SIGTERM";
    case SIGINT: return "SIGINT";
    default: return "SIGHUP";
    }
}

void OnSignal(int signal)
{
    const int saved = errno;
    int none = 0;
    if (g_signal.compare_exchange_strong(none, signal)) {
        g_requestPending.store(true);
        sem_post(&g_raised);
    }
    errno = saved;
}

timespec AfterMs(const timespec& from, long ms)
{
    timespec at = from;
    at.tv_sec += ms / 1000;
    at.tv_nsec += (ms % 1000) * 1000000L;
    if (at.tv_nsec >= 1000000000L) {
        at.tv_sec += 1;
        at.tv_nsec -= 1000000000L;
    }
    return at;
}

// Sleeps until `at` (CLOCK_MONOTONIC), or until the quit is taken when `untilQuit`.
void WaitUntil(const timespec& at, bool untilQuit)
{
    for (;;) {
        if (untilQuit && g_quitTaken.load()) return;
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (now.tv_sec > at.tv_sec || (now.tv_sec == at.tv_sec && now.tv_nsec >= at.tv_nsec)) return;
        const timespec step{0, 10 * 1000000L};
        nanosleep(&step, nullptr);
    }
}

// "[HH:MM:SS] message" and CR LF at the log's end, when it is a file that can be written.
void AppendLogLine(int signal)
{
    const int log = ::open(kLogFile, O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (log < 0) return;
    struct stat info {};
    if (::fstat(log, &info) == 0 && S_ISREG(info.st_mode)) {
        const time_t now = std::time(nullptr);
        tm local{};
        localtime_r(&now, &local);
        char line[96];
        const int length = std::snprintf(line, sizeof line, "[%02d:%02d:%02d] Terminating on %s... bye!\r\n",
                                         local.tm_hour, local.tm_min, local.tm_sec, SignalName(signal));
        if (length > 0 && static_cast<size_t>(length) < sizeof line) {
            [[maybe_unused]] const ssize_t written = ::write(log, line, static_cast<size_t>(length));
        }
    }
    ::close(log);
}

void Watch()
{
    while (sem_wait(&g_raised) != 0) {
    }
    timespec raised{};
    clock_gettime(CLOCK_MONOTONIC, &raised);
    WaitUntil(AfterMs(raised, kQuitWithinMs), true);
    const bool quitTaken = g_quitTaken.load();
    if (quitTaken) WaitUntil(AfterMs(raised, kEndWithinMs), false);
    // Still here: busy outside its message loop, or its teardown stuck.
    if (!quitTaken) AppendLogLine(g_signal.load());
    X11RestoreDisplayMode();
    _exit(0);
}
} // namespace

void HandleTerminationSignals()
{
    static bool installed = false;
    if (installed) return;
    installed = true;
    if (sem_init(&g_raised, 0, 0) != 0) return;
    try {
        std::thread(Watch).detach();
    } catch (...) {
        return; // without a watchdog, SDL's handling stays
    }
    // The signals are the layer's: SDL would only turn them into a quit event
    // that nobody reads while the program is busy.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kEndingSignals) sigaction(signal, &action, nullptr);
}

bool TakeTerminationRequest() { return g_requestPending.exchange(false); }

void NoteQuitTaken() { g_quitTaken.store(true); }

} // namespace portable
