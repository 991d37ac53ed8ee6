#include "tvtagrun.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

Outcome RunTvTag(const std::string& home, const std::vector<std::string>& args)
{
    QStringList arguments;
    for (const std::string& arg : args)
        arguments << QString::fromStdString(arg);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), QString::fromStdString(home));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(home + "/data"));
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral(TV_TAG_PROGRAM), arguments);
    tool.waitForFinished(-1);
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1,
            tool.readAllStandardOutput().toStdString(), tool.readAllStandardError().toStdString()};
}
