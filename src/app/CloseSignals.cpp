#include "app/CloseSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int Signals[] = {SIGTERM, SIGINT, SIGHUP};

int pipeEnds[2] = {-1, -1};

void onSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    // A full pipe already holds a request.
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

CloseSignals::CloseSignals(QObject *parent)
    : QObject(parent)
{
    if (pipeEnds[0] < 0 && ::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[64];
        while (::read(pipeEnds[0], bytes, sizeof bytes) > 0) { }
        if (m_requested)
            return;
        m_requested = true;
        emit closeRequested();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // Calls under way go on (a save's write is not cut short); the next signal of the kind
    // takes its default action again.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signal : Signals) {
        // A signal the game was started with ignored (nohup, a shell's background job) stays
        // ignored: whoever started it asked for that.
        struct sigaction inherited = {};
        if (::sigaction(signal, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN)
            continue;
        if (::sigaction(signal, &action, nullptr) == 0)
            m_handled.push_back(signal);
    }
}

CloseSignals::~CloseSignals()
{
    for (const int signal : m_handled)
        std::signal(signal, SIG_DFL);
}
