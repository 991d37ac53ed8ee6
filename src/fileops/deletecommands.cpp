#include "deletecommands.h"

#include "browserentry.h"
#include "deleteprogress.h"
#include "fileutils.h"
#include "progresswindows.h"
#include "prompts.h"
#include "showoserror.h"

#include <QCoreApplication>

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

private:
    Prompts& m_prompts;
};

} // namespace

void DeleteTree(Prompts& prompts, const std::string& path)
{
    WindowDeleteProgress progress(prompts);
    DeleteTree(path, progress);
}

bool DeleteSelectedEntries(Prompts& prompts, const std::string& folder,
                           const std::vector<BrowserEntry>& selectedRows)
{
    const QString question = QStringLiteral("Do you really want to delete the %1 selected "
                                            "files/directories ?")
                                 .arg(selectedRows.size());
    if (prompts.askYesNoCancel(QStringLiteral("Confirm"), question) != PromptAnswer::Yes)
        return false;

    ProgressWindows::DeleteScope scope;
    try {
        WindowDeleteProgress progress(prompts);
        DeleteEntries(folder, selectedRows, progress);
    } catch (const std::exception& error) {
        StopDelete();
        prompts.showError(QStringLiteral("Error"), QString::fromLocal8Bit(error.what()));
    }
    return true;
}
