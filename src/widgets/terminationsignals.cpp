#include "terminationsignals.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

// The pipe's ends; the handler may use only what is safe in a signal.
int g_readEnd = -1;
int g_writeEnd = -1;

void onSignal(int number)
{
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(number);
    // A full pipe already holds a wake-up; nothing is lost by dropping this.
    [[maybe_unused]] const ssize_t written = ::write(g_writeEnd, &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QWidget& window)
    : m_window(&window)
{
    int ends[2] = {-1, -1};
    if (g_writeEnd >= 0 || ::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_readEnd = ends[0];
    g_writeEnd = ends[1];
    m_notifier = std::make_unique<QSocketNotifier>(g_readEnd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &TerminationSignals::signalArrived);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &action, &m_previous[i]);
    m_closer.setInterval(20);
    connect(&m_closer, &QTimer::timeout, this, &TerminationSignals::closeStep);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &m_previous[i], nullptr);
    m_notifier.reset();
    ::close(g_readEnd);
    ::close(g_writeEnd);
    g_readEnd = g_writeEnd = -1;
}

void TerminationSignals::signalArrived()
{
    unsigned char bytes[64];
    while (::read(g_readEnd, bytes, sizeof bytes) > 0) {
    }
    if (!m_closer.isActive()) {
        m_steps = 0;
        m_closer.start();
    }
    closeStep();
}

void TerminationSignals::closeStep()
{
    // One modal window a step: each one's own event loop must end before
    // the window behind it can close. A modal window that will not close
    // holds the window back for a while only; then the window closes
    // behind it.
    constexpr int kPatience = 250;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && ++m_steps <= kPatience) {
        // Closed as by its title bar's button first, so that a message box
        // answers with its Escape button; one that refuses is rejected.
        if (!modal->close())
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
        return;
    }
    // The steps go on while the window closes, so that a question its close
    // asks (whether to replace a file, say) is answered as Escape would,
    // and nobody is left waiting for it at the end of the session.
    if (m_closing)
        return;
    m_closing = true;
    if (m_window)
        m_window->close();
    m_closing = false;
    m_closer.stop();
}
