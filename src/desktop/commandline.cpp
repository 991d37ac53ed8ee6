#include "commandline.h"

#include "folderscanner.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>

CommandLine::CommandLine(int argc, const char* const* argv)
{
    m_parser.setApplicationDescription(
        QStringLiteral("MP3 manager: file browser, playlist, ID3 tag editor and player."));
    const QCommandLineOption help = m_parser.addHelpOption();
    const QCommandLineOption version = m_parser.addVersionOption();
    m_parser.addPositionalArgument(QStringLiteral("paths"),
                                   QStringLiteral("MP3 files and folders to add to the playlist; folders are "
                                                  "searched for MP3 files with their subfolders."),
                                   QStringLiteral("[FILE|FOLDER]..."));

    // The parser sees text; the paths are collected from the bytes by the
    // same rule it applies: after "--" everything is a path, before it every
    // argument that starts with "-" (but "-" alone) is an option.
    QStringList arguments;
    bool optionsEnded = false;
    for (int i = 0; i < argc; ++i) {
        const std::string argument = argv[i] ? argv[i] : "";
        arguments << QString::fromLocal8Bit(argument.c_str());
        if (i == 0)
            continue;
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && argument.size() > 1 && argument[0] == '-')
            continue;
        if (!argument.empty())
            m_paths.push_back(Absolute(argument));
    }

    if (!m_parser.parse(arguments))
        m_errors << m_parser.errorText();
    // --help-all comes with the help option; the Qt options it would add do
    // not apply to this program, so it shows the same help.
    if (m_parser.isSet(help) || m_parser.isSet(QStringLiteral("help-all")))
        m_action = Action::ShowHelp;
    else if (m_parser.isSet(version))
        m_action = Action::ShowVersion;
}

QString CommandLine::HelpText() const
{
    return m_parser.helpText();
}

std::string CommandLine::Absolute(const std::string& path)
{
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(std::filesystem::path(path), error);
    if (error)
        full = std::filesystem::path(path);
    std::string normal = full.lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/')
        normal.pop_back();
    return normal;
}

CommandLine::Launch CommandLine::Classify(const std::vector<std::string>& paths)
{
    Launch launch;
    for (const std::string& path : paths) {
        struct stat st {};
        if (stat(path.c_str(), &st) != 0) {
            launch.ignored.push_back(path + ": " + std::system_category().message(errno));
        } else if (S_ISDIR(st.st_mode)) {
            launch.entries.push_back({path, true});
        } else if (S_ISREG(st.st_mode) && FolderScanner::HasMp3Extension(path)) {
            launch.entries.push_back({path, false});
        } else {
            launch.ignored.push_back(path + ": not an MP3 file or folder");
        }
    }
    return launch;
}

void CommandLine::ReportIgnored(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        std::fprintf(stderr, "tunevault: ignored %s\n", line.c_str());
}

std::vector<std::string> CommandLine::PathsOf(const Launch& launch)
{
    std::vector<std::string> paths;
    paths.reserve(launch.entries.size());
    for (const auto& entry : launch.entries)
        paths.push_back(entry.fullName);
    return paths;
}
