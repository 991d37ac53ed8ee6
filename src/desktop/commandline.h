#pragma once
// The program's command line: `tunevault [--help] [--version] [FILE|FOLDER]...`.
// The options go through QCommandLineParser; the paths are taken from argv
// as they are, as bytes, so that names which are not valid UTF-8 survive.
// Nothing here needs an application object except HelpText().

#include "tplaylistpane.h"

#include <QCommandLineParser>
#include <QStringList>

#include <string>
#include <vector>

class CommandLine final {
public:
    enum class Action { Run, ShowHelp, ShowVersion };

    // What a list of paths holds: the MP3 files and folders to add, and a
    // line for each argument that is neither.
    struct Launch {
        std::vector<TPlaylistPane::DroppedEntry> entries;
        std::vector<std::string> ignored;
    };

    CommandLine(int argc, const char* const* argv);

    Action action() const { return m_action; }
    // The path arguments, absolute and lexically normal, in their order.
    const std::vector<std::string>& paths() const { return m_paths; }
    // Unknown options, one message each; they are ignored.
    const QStringList& errors() const { return m_errors; }
    // The --help text; needs a QCoreApplication.
    QString HelpText() const;

    // Sorts paths into MP3 files (regular files whose extension is ".mp3" in
    // any case) and folders; everything else, missing paths included, gets a
    // message "PATH: reason".
    static Launch Classify(const std::vector<std::string>& paths);
    // Writes "tunevault: ignored LINE" to stderr for each line.
    static void ReportIgnored(const std::vector<std::string>& lines);
    // The paths of the entries, in order.
    static std::vector<std::string> PathsOf(const Launch& launch);
    // `path` made absolute against the current folder, "." and ".." resolved
    // by name, without a trailing "/" (except for "/" itself).
    static std::string Absolute(const std::string& path);

private:
    QCommandLineParser m_parser;
    Action m_action = Action::Run;
    std::vector<std::string> m_paths;
    QStringList m_errors;
};
