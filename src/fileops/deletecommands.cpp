#include "deletecommands.h"

#include "browserentry.h"
#include "deleteprogress.h"
#include "fileutils.h"
#include "progresswindows.h"
#include "prompts.h"
#include "showoserror.h"

#include <QCoreApplication>
#include <QFile>

#include <exception>

namespace {

// A deletion's progress as the deletion window shows it.
class WindowDeleteProgress final : public DeleteProgress {
public:
    explicit WindowDeleteProgress(Prompts& prompts) : m_prompts(prompts) {}

    void SetDeletePath(const std::string& path) override { ::SetDeletePath(path); }
    bool IsDeleteStopped() const override { return ::IsDeleteStopped(); }
    void StopDelete() override { ::StopDelete(); }
    void ProcessPendingEvents() override { QCoreApplication::processEvents(); }
    void ReportOsError(int code) override { ShowOsError(m_prompts, code); }
    // "Error N : text", a line break and the path.
    void ReportPathError(int code, const std::string& path) override
    {
        m_prompts.showError(QStringLiteral("Error"), QString::fromStdString(OsErrorMessage(code)) + QLatin1Char('\n')
                                                         + QFile::decodeName(QByteArray::fromStdString(path)));
    }
    void ReportLeftMounted(const std::string& path) override { m_leftMounted.push_back(path); }

    // Tells the user, once, which mounted file systems the deletion left.
    void ShowLeftMounted() const
    {
        if (m_leftMounted.empty())
            return;
        QString text = QStringLiteral("These were not deleted, because another file system is mounted there "
                                      "(the folders that hold them were kept as well):");
        for (const std::string& path : m_leftMounted)
            text += QLatin1Char('\n') + QFile::decodeName(QByteArray::fromStdString(path));
        m_prompts.showWarning(QStringLiteral("Delete"), text);
    }

private:
    Prompts& m_prompts;
    std::vector<std::string> m_leftMounted;
};

} // namespace

void DeleteTree(Prompts& prompts, const std::string& path)
{
    WindowDeleteProgress progress(prompts);
    DeleteTree(path, progress);
    progress.ShowLeftMounted();
}

bool DeleteSelectedEntries(Prompts& prompts, const std::string& folder,
                           const std::vector<BrowserEntry>& selectedRows, const MountTable& mounts)
{
    const QString question = QStringLiteral("Do you really want to delete the %1 selected "
                                            "files/directories ?")
                                 .arg(selectedRows.size());
    if (prompts.askYesNoCancel(QStringLiteral("Confirm"), question) != PromptAnswer::Yes)
        return false;

    WindowDeleteProgress progress(prompts);
    {
        ProgressWindows::DeleteScope scope;
        try {
            DeleteEntries(folder, selectedRows, progress, mounts);
        } catch (const std::exception& error) {
            StopDelete();
            prompts.showError(QStringLiteral("Error"), QString::fromLocal8Bit(error.what()));
        }
    }
    progress.ShowLeftMounted();
    return true;
}
