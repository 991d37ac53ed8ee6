#include "desktopsession.h"

#include "commandline.h"
#include "mprisservice.h"
#include "singleinstance.h"
#include "windowactivation.h"

#include "tfrmmain.h"
#include "tplaylistpane.h"

#include <QTimer>

#include <utility>

namespace {

// How often a busy window is asked again.
constexpr int kRetryMs = 250;

} // namespace

DesktopSession::DesktopSession(TfrmMain& window, SingleInstance* instance, QObject* parent)
    : QObject(parent)
    , m_window(window)
    , m_mpris(std::make_unique<MprisService>(window))
{
    if (instance) {
        instance->SetReceiver([this](std::vector<std::string> paths) {
            m_raise = true;
            OpenPaths(paths);
        });
    }
}

DesktopSession::~DesktopSession() = default;

bool DesktopSession::OfferPlayer(const QDBusConnection& bus)
{
    return m_mpris->Register(bus);
}

void DesktopSession::OpenPaths(const std::vector<std::string>& paths)
{
    m_pending.insert(m_pending.end(), paths.begin(), paths.end());
    if ((m_pending.empty() && !m_raise) || m_scheduled)
        return;
    m_scheduled = true;
    QTimer::singleShot(0, this, &DesktopSession::AddPending);
}

void DesktopSession::AddPending()
{
    if (!AcceptsCommands(m_window)) {
        QTimer::singleShot(kRetryMs, this, &DesktopSession::AddPending);
        return;
    }
    m_scheduled = false;
    const CommandLine::Launch launch = CommandLine::Classify(std::exchange(m_pending, {}));
    CommandLine::ReportIgnored(launch.ignored);
    // The same as a drop of these files and folders from the file manager.
    if (!launch.entries.empty())
        m_window.playlist()->filesViewEndDrag(launch.entries);
    // Last, so that the wait window of the adding does not take the focus.
    if (std::exchange(m_raise, false))
        BringToFront(m_window);
}
