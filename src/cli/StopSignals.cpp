#include "cli/StopSignals.h"

#include <QSocketNotifier>

#include <atomic>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};
// Set before the byte is written, cleared before the pipe is read: a signal is never missed between the two.
std::atomic<int> g_waiting{0};
static_assert(std::atomic<int>::is_always_lock_free, "set in a signal handler");
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_previous[3];
struct sigaction g_previousPipe;

extern "C" void onSignal(int sig) {
    const int saved = errno;
    const char byte = static_cast<char>(sig);
    g_waiting.store(1);
    (void)!::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

StopSignals::StopSignals(std::function<void(int)> onStop) : m_onStop(std::move(onStop)) {
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { drain(); });

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i)
        ::sigaction(kSignals[i], &action, &g_previous[i]);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, &g_previousPipe);
}

StopSignals::~StopSignals() {
    if (!m_notifier)
        return;
    for (int i = 0; i < 3; ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    ::sigaction(SIGPIPE, &g_previousPipe, nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void StopSignals::drain() {
    // Every signal counts, even when several arrived before the loop came round: a second one means more.
    g_waiting.store(0);
    char buffer[64];
    ssize_t n;
    while ((n = ::read(g_pipe[0], buffer, sizeof buffer)) > 0)
        for (ssize_t i = 0; i < n; ++i)
            if (m_onStop)
                m_onStop(buffer[i]);
}

bool StopSignals::waiting() {
    return g_waiting.load(std::memory_order_relaxed) != 0;
}
