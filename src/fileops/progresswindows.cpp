#include "progresswindows.h"

#include "tfrmdeletedirprogress.h"
#include "tfrmprogress.h"
#include "tfrmwait.h"

#include "longoperation.h"
#include "mainwindowregistry.h"

#include <QCoreApplication>
#include <QFile>
#include <QPushButton>

#include <memory>

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

// The window, made (or moved) as a child of the registered main window.
template <class Window>
Window& ChildOfMainWindow(QPointer<Window>& window)
{
    QWidget* parent = MainWindow();
    if (!window)
        window = new Window(parent);
    else if (window->parentWidget() != parent && !window->isVisible())
        window->setParent(parent, window->windowFlags());
    return *window;
}

} // namespace

ProgressWindows::ProgressWindows()
{
    progress();
    wait();
    deletion();
    g_registered = this;
}

ProgressWindows::~ProgressWindows()
{
    if (g_registered == this)
        g_registered = nullptr;
    // Those not already gone with the main window.
    delete m_progress.data();
    delete m_wait.data();
    delete m_deletion.data();
}

TfrmProgress& ProgressWindows::progress()
{
    return ChildOfMainWindow(m_progress);
}

TfrmWait& ProgressWindows::wait()
{
    return ChildOfMainWindow(m_wait);
}

TfrmDeleteDirProgress& ProgressWindows::deletion()
{
    return ChildOfMainWindow(m_deletion);
}

bool ProgressWindows::IsOperationRunning() const
{
    return (m_progress && !m_progress->AllowClose()) || (m_wait && !m_wait->AllowClose())
           || (m_deletion && !m_deletion->AllowClose());
}

void ProgressWindows::CancelOperation()
{
    if (m_progress && !m_progress->AllowClose())
        m_progress->sButton1->click();
    if (m_wait && !m_wait->AllowClose())
        m_wait->bCancel->click();
    if (m_deletion && !m_deletion->AllowClose())
        m_deletion->btnCancel->click();
}

bool IsLongOperationRunning()
{
    return LongOperation::AnyRunning() || (g_registered && g_registered->IsOperationRunning());
}

void CancelLongOperation()
{
    LongOperation::StopAll();
    if (g_registered)
        g_registered->CancelOperation();
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
