// tv-tag sets the ID3v2 fields beyond the seven by name and prints them in
// its "v2" object, empty when the tag has none; a bad compilation value is
// a usage error that leaves the file alone.

#include "filefixtures.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The tool's exit status and output, with `home` as its home and data folder.
std::pair<int, std::string> RunTool(const std::string& home, const std::vector<std::string>& args)
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
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1, tool.readAllStandardOutput().toStdString()};
}

}  // namespace

TEST(TvTagFields, SetsAndPrintsTheFieldsBeyondTheSeven)
{
    TempDir dir;
    const std::string home = dir.file("home");
    MakeDir(home);
    const std::string file = dir.file("song.mp3");
    WriteFile(file, Id3v2Tag(3, "Artist", "Title") + AudioBytes(1500));

    std::string shown = RunTool(home, {"print", file}).second;
    EXPECT_NE(shown.find("\"albumartist\":\"\",\"disc\":\"\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("\"url\":\"\",\"comment\":"), std::string::npos) << shown;

    EXPECT_EQ(RunTool(home, {"set", file, "--v2", "albumartist=Various Artists", "disc=1/2", "composer=Satie", "bpm=90",
                         "originalyear=1888", "publisher=Label", "grouping=Piano", "subtitle=Lent", "compilation=1",
                         "sortartist=Satie, Erik", "sortalbum=Gymnopedies", "sorttitle=Gymnopedie 1",
                         "isrc=FRZ018800001", "encodedby=Tunevault", "copyright=PD", "url=https://example.org/"})
                  .first,
              0);
    shown = RunTool(home, {"--write-version", "4", "print", file}).second;
    EXPECT_NE(shown.find("\"title\":\"Title\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("\"albumartist\":\"Various Artists\",\"disc\":\"1/2\",\"composer\":\"Satie\",\"bpm\":\"90\","
                         "\"originalyear\":\"1888\",\"publisher\":\"Label\",\"grouping\":\"Piano\",\"subtitle\":\"Lent\","
                         "\"compilation\":\"1\",\"sortartist\":\"Satie, Erik\",\"sortalbum\":\"Gymnopedies\","
                         "\"sorttitle\":\"Gymnopedie 1\",\"isrc\":\"FRZ018800001\",\"encodedby\":\"Tunevault\","
                         "\"copyright\":\"PD\",\"url\":\"https://example.org/\""),
              std::string::npos)
        << shown;

    // compilation=0 removes the frame; another value is refused.
    const std::string before = ReadFile(file);
    EXPECT_EQ(RunTool(home, {"set", file, "--v2", "compilation=yes"}).first, 2);
    EXPECT_EQ(RunTool(home, {"set", file, "--v2", "nosuchfield=1"}).first, 2);
    EXPECT_EQ(ReadFile(file), before);
    EXPECT_EQ(RunTool(home, {"set", file, "--v2", "compilation=0", "composer="}).first, 0);
    shown = RunTool(home, {"print", file}).second;
    EXPECT_NE(shown.find("\"composer\":\"\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("\"compilation\":\"\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("\"albumartist\":\"Various Artists\""), std::string::npos) << shown;
}
