// The command line: options through the parser, paths as bytes, and the
// sorting of paths into MP3 files, folders and ignored arguments.

#include "commandline.h"

#include "filefixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include <sys/stat.h>

namespace {

CommandLine Parse(std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), "tunevault");
    return CommandLine(static_cast<int>(arguments.size()), arguments.data());
}

} // namespace

TEST(CommandLineTest, OptionsAndPathsAreToldApartAndPathsKeepTheirBytes)
{
    EXPECT_EQ(Parse({"--version"}).action(), CommandLine::Action::ShowVersion);
    EXPECT_EQ(Parse({"-h", "x.mp3"}).action(), CommandLine::Action::ShowHelp);
    EXPECT_EQ(Parse({"--help-all"}).action(), CommandLine::Action::ShowHelp);

    // An unknown option is reported and ignored; the run goes on.
    const CommandLine unknown = Parse({"--shuffle", "/m/a.mp3"});
    EXPECT_EQ(unknown.action(), CommandLine::Action::Run);
    ASSERT_EQ(unknown.errors().size(), 1);
    EXPECT_TRUE(unknown.errors().front().contains(QStringLiteral("shuffle")));
    EXPECT_EQ(unknown.paths(), std::vector<std::string>{"/m/a.mp3"});

    // Relative paths are completed from the current folder; "." and ".."
    // are resolved; a name that is not UTF-8 comes through byte for byte.
    const std::string cwd = std::filesystem::current_path().string();
    const CommandLine paths = Parse({"song.mp3", "/m/caf\xe9/./x/../b.mp3", "/m/folder/", "--", "-dash.mp3"});
    EXPECT_EQ(paths.action(), CommandLine::Action::Run);
    EXPECT_TRUE(paths.errors().isEmpty());
    EXPECT_EQ(paths.paths(), (std::vector<std::string>{cwd + "/song.mp3", "/m/caf\xe9/b.mp3", "/m/folder",
                                                       cwd + "/-dash.mp3"}));
}

TEST(CommandLineTest, ClassifyKeepsMp3FilesAndFoldersAndReportsTheRest)
{
    TempDir dir;
    WriteFile(dir.file("A.MP3"), "x");
    WriteFile(dir.file("notes.txt"), "x");
    MakeDir(dir.file("music.mp3"));
    ASSERT_EQ(mkfifo(dir.file("pipe.mp3").c_str(), 0600), 0);

    const CommandLine::Launch launch = CommandLine::Classify(
        {dir.file("A.MP3"), dir.file("notes.txt"), dir.file("music.mp3"), dir.file("gone.mp3"), dir.file("pipe.mp3")});
    ASSERT_EQ(launch.entries.size(), 2u);
    EXPECT_EQ(launch.entries[0].fullName, dir.file("A.MP3"));
    EXPECT_FALSE(launch.entries[0].isFolder);
    EXPECT_EQ(launch.entries[1].fullName, dir.file("music.mp3"));
    EXPECT_TRUE(launch.entries[1].isFolder);
    EXPECT_EQ(launch.ignored, (std::vector<std::string>{dir.file("notes.txt") + ": not an MP3 file or folder",
                                                        dir.file("gone.mp3") + ": No such file or directory",
                                                        dir.file("pipe.mp3") + ": not an MP3 file or folder"}));
    EXPECT_EQ(CommandLine::PathsOf(launch), (std::vector<std::string>{dir.file("A.MP3"), dir.file("music.mp3")}));
}
