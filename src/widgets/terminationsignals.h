#pragma once
// SIGTERM, SIGINT and SIGHUP (the end of a desktop session, a shutdown,
// Ctrl+C in a terminal) close a window as its close button does, so that
// what the window keeps at its close is kept. The signal handler only
// writes to a pipe; the event loop reads it. Modal windows in front of the
// window are closed first, as Escape would close them (a question answers
// No or Cancel), since the window cannot close behind them, and so are
// those that its close opens.
//
// One object at a time may exist; it restores the signals' previous
// handling when it goes.

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <array>
#include <memory>

#include <csignal>

class QSocketNotifier;
class QWidget;

class TerminationSignals final : public QObject {
public:
    explicit TerminationSignals(QWidget& window);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // Whether the signals are caught (false when the pipe could not be made).
    bool active() const { return m_notifier != nullptr; }

private:
    void signalArrived();
    void closeStep();

    QPointer<QWidget> m_window;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QTimer m_closer;
    int m_steps = 0;
    bool m_closing = false;
    std::array<struct sigaction, 3> m_previous {};
};
