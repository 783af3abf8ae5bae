#include "Termination.h"

#include "core/GlobalState.h"
#include "core/SessionEnd.h"
#include "data/PlayerLock.h"
#include "results/closedialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace termination {

namespace {

int g_pipe[2] = {-1, -1};

void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

// One step of the ending: the innermost modal window first (each closes as its own end does), then
// the top-level windows. Runs until nothing is left open.
void step()
{
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* closing = qobject_cast<TFormclosedialog*>(modal))
            closing->sb_ende->click();
        else
            modal->close();
        return;
    }
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            w->close();
}

void endSession()
{
    if (session::ending())
        return;
    session::beginEnding();
    auto* stepper = new QTimer(qApp);
    QObject::connect(stepper, &QTimer::timeout, qApp, &step);
    stepper->start(10);
    step();
    // Whatever still holds the program after nearly two seconds: the lock goes, the program ends.
    QTimer::singleShot(1800, qApp, [] {
        if (!g().currentPlayer().isEmpty())
            ReleasePlayerLock(g().currentPlayer());
        std::_Exit(0);
    });
}

} // namespace

void install(QApplication& app)
{
    // SDL would take SIGINT and SIGTERM for its own quit event, which nobody reads.
    qputenv("SDL_NO_SIGNAL_HANDLERS", "1");
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
            char buffer[16];
            while (::read(g_pipe[0], buffer, sizeof buffer) > 0) {
            }
            endSession();
        });
        struct sigaction sa {};
        sa.sa_handler = &onSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        for (int s : {SIGTERM, SIGHUP, SIGINT})
            ::sigaction(s, &sa, nullptr);
    }
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [](QSessionManager&) { endSession(); });
}

} // namespace termination
