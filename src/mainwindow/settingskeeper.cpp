#include "settingskeeper.h"

#include "prompts.h"

#include <QFile>
#include <QStringList>

namespace {

const QString kTitle = QStringLiteral("Settings");
const QString kBreak = QStringLiteral("\r\n");

QString Display(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace

void SettingsKeeper::ReportLoad(const OptionsLoadReport& report)
{
    if (!report.unreadable.empty()) {
        m_prompts.showWarning(kTitle, QStringLiteral("The settings could not be read from") + kBreak
                                          + Display(report.file) + kBreak + QString::fromStdString(report.unreadable)
                                          + kBreak
                                          + QStringLiteral("The defaults are used. The file is left as it is; when "
                                                           "the window closes you are asked whether to replace it."));
        return;
    }
    if (report.unusedValues.empty())
        return;
    QStringList names;
    for (const std::string& name : report.unusedValues)
        names << QString::fromStdString(name);
    m_prompts.showWarning(kTitle, QStringLiteral("These settings in") + kBreak + Display(report.file) + kBreak
                                      + QStringLiteral("could not be read and keep their defaults:") + kBreak
                                      + names.join(QStringLiteral(", ")));
}

bool SettingsKeeper::Save(std::string& reason)
{
    if (OptionsStoreHeldBack()) {
        const PromptAnswer answer = m_prompts.askYesNo(
            kTitle,
            QStringLiteral("The settings file could not be read at start. Replace it with the current settings?")
                + kBreak
                + QStringLiteral("The old file is kept beside the new one, its name ending in \".damaged\"."),
            PromptIcon::Warning);
        if (answer != PromptAnswer::Yes)
            return true;
        std::string movedTo;
        if (!SetAsideUnreadableOptions(movedTo, reason))
            return false;
    }
    return SaveOptions(&reason);
}
