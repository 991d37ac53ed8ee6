#include "progresswindows.h"

#include "tfrmdeletedirprogress.h"
#include "tfrmprogress.h"
#include "tfrmwait.h"

#include <QCoreApplication>
#include <QFile>

namespace {

ProgressWindows* g_registered = nullptr;
std::unique_ptr<ProgressWindows> g_fallback;

void DropFallback()
{
    g_fallback.reset();
}

QString Display(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace

ProgressWindows::ProgressWindows()
    : m_progress(std::make_unique<TfrmProgress>()),
      m_wait(std::make_unique<TfrmWait>()),
      m_deletion(std::make_unique<TfrmDeleteDirProgress>())
{
    g_registered = this;
}

ProgressWindows::~ProgressWindows()
{
    if (g_registered == this)
        g_registered = nullptr;
}

ProgressWindows& ProgressWindows::instance()
{
    if (!g_registered) {
        // Nobody made the windows: make them now and drop them when the
        // application object goes.
        g_fallback = std::make_unique<ProgressWindows>();
        qAddPostRoutine(DropFallback);
    }
    return *g_registered;
}

ProgressWindows::ProgressScope::ProgressScope(int count, const QString& caption)
{
    ShowProgress(count, caption);
}

ProgressWindows::ProgressScope::~ProgressScope()
{
    CloseProgress();
}

ProgressWindows::WaitScope::WaitScope()
{
    BeginWait();
}

ProgressWindows::WaitScope::~WaitScope()
{
    EndWait();
}

ProgressWindows::DeleteScope::DeleteScope()
{
    BeginDeleteProgress();
}

ProgressWindows::DeleteScope::~DeleteScope()
{
    EndDeleteProgress();
}

void ShowProgress(int count, const QString& caption)
{
    ProgressWindows::instance().progress().ShowProgress(count, caption);
}

void SetProgressPosition(int position)
{
    ProgressWindows::instance().progress().SetProgressPosition(position);
}

bool IsProgressCancelled()
{
    return ProgressWindows::instance().progress().IsProgressCancelled();
}

void CloseProgress()
{
    ProgressWindows::instance().progress().CloseProgress();
}

void BeginWait()
{
    ProgressWindows::instance().wait().BeginWait();
}

void SetWaitPath(const std::string& path)
{
    ProgressWindows::instance().wait().SetWaitPath(Display(path));
}

bool IsWaitCancelled()
{
    return ProgressWindows::instance().wait().IsWaitCancelled();
}

void EndWait()
{
    ProgressWindows::instance().wait().EndWait();
}

void BeginDeleteProgress()
{
    ProgressWindows::instance().deletion().BeginDeleteProgress();
}

void SetDeletePath(const std::string& path)
{
    ProgressWindows::instance().deletion().SetDeletePath(Display(path));
}

bool IsDeleteStopped()
{
    return ProgressWindows::instance().deletion().IsDeleteStopped();
}

void StopDelete()
{
    ProgressWindows::instance().deletion().StopDelete();
}

void EndDeleteProgress()
{
    ProgressWindows::instance().deletion().EndDeleteProgress();
}
