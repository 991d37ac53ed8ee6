// tv-tag sets the ID3v2 fields beyond the seven by name and prints them in
// its "v2" object, empty when the tag has none; a bad compilation value is
// a usage error that leaves the file alone.

#include "filefixtures.h"
#include "tvtagrun.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(TvTagFields, SetsAndPrintsTheFieldsBeyondTheSeven)
{
    TempDir dir;
    const std::string home = dir.file("home");
    MakeDir(home);
    const std::string file = dir.file("song.mp3");
    WriteFile(file, Id3v2Tag(3, "Artist", "Title") + AudioBytes(1500));

    std::string shown = RunTvTag(home, {"print", file}).output;
    EXPECT_NE(shown.find("\"albumartist\":\"\",\"disc\":\"\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("\"url\":\"\",\"comment\":"), std::string::npos) << shown;

    EXPECT_EQ(RunTvTag(home, {"set", file, "--v2", "albumartist=Various Artists", "disc=1/2", "composer=Satie", "bpm=90",
                         "originalyear=1888", "publisher=Label", "grouping=Piano", "subtitle=Lent", "compilation=1",
                         "sortartist=Satie, Erik", "sortalbum=Gymnopedies", "sorttitle=Gymnopedie 1",
                         "isrc=FRZ018800001", "encodedby=Tunevault", "copyright=PD", "url=https://example.org/"})
                  .status,
              0);
    shown = RunTvTag(home, {"--write-version", "4", "print", file}).output;
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
    EXPECT_EQ(RunTvTag(home, {"set", file, "--v2", "compilation=yes"}).status, 2);
    EXPECT_EQ(RunTvTag(home, {"set", file, "--v2", "nosuchfield=1"}).status, 2);
    EXPECT_EQ(ReadFile(file), before);
    EXPECT_EQ(RunTvTag(home, {"set", file, "--v2", "compilation=0", "composer="}).status, 0);
    shown = RunTvTag(home, {"print", file}).output;
    EXPECT_NE(shown.find("\"composer\":\"\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("\"compilation\":\"\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("\"albumartist\":\"Various Artists\""), std::string::npos) << shown;
}
