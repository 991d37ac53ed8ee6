#include "filefixtures.h"
#include "optionvalues.h"
#include "poptions.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Points the store at a fresh temporary folder for each test; a user's real
// settings are never touched.
class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        usePlace(dir.path());
        options::skinName = "garbage";
        options::fileRoot = "garbage";
        options::FNIOMP3INFO = true;
        options::REPLURLSPACES = false;
    }

    void usePlace(const std::string& place)
    {
        m_place = place;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(place));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromStdString(place));
    }

    std::string storeFile() const { return m_place + "/Orvanel Soft/Tunevault.conf"; }

    // Each stored variant gets a folder of its own: QSettings keeps files it
    // has read and may not notice a rewrite of the same size within a second.
    void store(std::string_view lines)
    {
        usePlace(dir.path() + "/" + std::to_string(++m_stores));
        MakeDir(m_place);
        MakeDir(m_place + "/Orvanel Soft");
        WriteFile(storeFile(), "[General]\n" + std::string(lines));
    }

    std::string m_place;
    int m_stores = 0;
    TempDir dir;
};

void ExpectDefaults()
{
    EXPECT_EQ(options::skinName, "TheFrog");
    EXPECT_EQ(options::fileRoot, "rfMyComputer");
    EXPECT_FALSE(options::FNIOMP3INFO);
    EXPECT_TRUE(options::REPLURLSPACES);
}

TEST_F(OptionsTest, FirstRunGivesDefaultsAndSavingCreatesAllFourValues)
{
    LoadOptions();
    ExpectDefaults();
    EXPECT_FALSE(Exists(storeFile()));

    ASSERT_TRUE(SaveOptions());
    const std::string text = ReadFile(storeFile());
    EXPECT_NE(text.find("skinName=TheFrog"), std::string::npos) << text;
    EXPECT_NE(text.find("fileRoot=rfMyComputer"), std::string::npos) << text;
    EXPECT_NE(text.find("FNIOMP3INFO=0"), std::string::npos) << text;
    EXPECT_NE(text.find("REPLURLSPACES=1"), std::string::npos) << text;

    // Round trip of changed values.
    options::skinName = "Night, blue";
    options::fileRoot = "rfDesktop";
    options::FNIOMP3INFO = true;
    options::REPLURLSPACES = false;
    ASSERT_TRUE(SaveOptions());
    SetDefaultOptions();
    ExpectDefaults();
    LoadOptions();
    EXPECT_EQ(options::skinName, "Night, blue");
    EXPECT_EQ(options::fileRoot, "rfDesktop");
    EXPECT_TRUE(options::FNIOMP3INFO);
    EXPECT_FALSE(options::REPLURLSPACES);
}

TEST_F(OptionsTest, TheBrowsersFolderComesBackAsItsBytes)
{
    LoadOptions();
    EXPECT_EQ(options::browserFolder, "");
    options::browserFolder = "/music/caf\xe9 \xff, \"live\"/";
    ASSERT_TRUE(SaveOptions());
    SetDefaultOptions();
    EXPECT_EQ(options::browserFolder, "");
    LoadOptions();
    EXPECT_EQ(options::browserFolder, "/music/caf\xe9 \xff, \"live\"/");

    // Read even where the four stop early; a hand-typed text is taken too.
    store("skinName=Blue\nfileRoot=x\nFNIOMP3INFO=yes\nbrowserFolder=/home/u/Music/\n");
    LoadOptions();
    EXPECT_EQ(options::browserFolder, "/home/u/Music/");
}

TEST_F(OptionsTest, PartialKeysKeepReadOrderAndDefaults)
{
    // Both strings, no FNIOMP3INFO: strings taken, booleans keep their defaults
    // even where a later boolean is stored.
    store("skinName=Blue\nfileRoot=rfDesktop\nREPLURLSPACES=0\n");
    LoadOptions();
    EXPECT_EQ(options::skinName, "Blue");
    EXPECT_EQ(options::fileRoot, "rfDesktop");
    EXPECT_FALSE(options::FNIOMP3INFO);
    EXPECT_TRUE(options::REPLURLSPACES);

    // No skinName: the skin name becomes empty.
    store("fileRoot=rfDesktop\nFNIOMP3INFO=1\nREPLURLSPACES=0\n");
    LoadOptions();
    EXPECT_EQ(options::skinName, "");
    EXPECT_EQ(options::fileRoot, "rfDesktop");
    EXPECT_TRUE(options::FNIOMP3INFO);
    EXPECT_FALSE(options::REPLURLSPACES);
}

TEST_F(OptionsTest, WrongTypesAreReadFailures)
{
    // 7 reads as true and is written back as 1.
    store("skinName=Blue\nfileRoot=x\nFNIOMP3INFO=7\nREPLURLSPACES=0\n");
    LoadOptions();
    EXPECT_TRUE(options::FNIOMP3INFO);
    EXPECT_FALSE(options::REPLURLSPACES);
    ASSERT_TRUE(SaveOptions());
    EXPECT_NE(ReadFile(storeFile()).find("FNIOMP3INFO=1"), std::string::npos);

    // A boolean that does not convert stops the reading there.
    store("skinName=Blue\nfileRoot=x\nFNIOMP3INFO=yes\nREPLURLSPACES=0\n");
    LoadOptions();
    EXPECT_EQ(options::skinName, "Blue");
    EXPECT_EQ(options::fileRoot, "x");
    EXPECT_FALSE(options::FNIOMP3INFO);
    EXPECT_TRUE(options::REPLURLSPACES);

    // A string stored as a list is not a string: nothing is taken.
    store("skinName=a, b\nfileRoot=x\nFNIOMP3INFO=1\nREPLURLSPACES=0\n");
    LoadOptions();
    ExpectDefaults();
}

TEST_F(OptionsTest, TheWizardsPatternsAreKeptBesideTheFourValues)
{
    options::customRenamePattern = "%artist%, %title% 100%/x";
    options::customTagPattern = "%track% - %title%";
    // The tag actions' settings, a text with commas and quotes, beside them.
    const std::string actions = R"({"action":"replace","find":"a, \"b\"","replacement":"\\1;"})";
    options::tagActionSettings = actions;
    ASSERT_TRUE(SaveOptions());
    SetDefaultOptions();
    EXPECT_EQ(options::customRenamePattern, options::kDefaultCustomRenamePattern);
    EXPECT_EQ(options::tagActionSettings, "");
    LoadOptions();
    EXPECT_EQ(options::customRenamePattern, "%artist%, %title% 100%/x");
    EXPECT_EQ(options::customTagPattern, "%track% - %title%");
    EXPECT_EQ(options::tagActionSettings, actions);

    // They are read whatever happens to the four; a missing one keeps its default.
    store("skinName=a, b\ncustomTagPattern=%title%\ntagActions=x, y\n");
    const OptionsLoadReport report = LoadOptions();
    ExpectDefaults();
    EXPECT_EQ(options::customTagPattern, "%title%");
    EXPECT_EQ(options::customRenamePattern, options::kDefaultCustomRenamePattern);
    EXPECT_EQ(options::tagActionSettings, "");
    EXPECT_NE(std::find(report.unusedValues.begin(), report.unusedValues.end(), "tagActions"), report.unusedValues.end());
}

TEST_F(OptionsTest, LeavingRoomInTagsIsKeptAndReadOnItsOwn)
{
    // On unless stored otherwise; a fixed amount of room is never kept.
    LoadOptions();
    EXPECT_TRUE(options::CurrentTagOptions().leaveRoom);
    TagOptions chosen;
    chosen.leaveRoom = false;
    chosen.padding = 4096;
    chosen.keepModificationTime = true;
    options::SetTagOptions(chosen);
    ASSERT_TRUE(SaveOptions());
    EXPECT_NE(ReadFile(storeFile()).find("TAGROOM=0"), std::string::npos);
    SetDefaultOptions();
    LoadOptions();
    chosen.padding = -1;
    EXPECT_EQ(options::CurrentTagOptions(), chosen);

    // A value that does not convert, or none, keeps the default, and the
    // other tag options are read whatever becomes of it, and it of them.
    const struct {
        const char* lines;
        bool leaveRoom;
        bool keepTime;
    } cases[] = {
        {"TAGROOM=yes\nKEEPFILETIME=1\n", true, true},
        {"KEEPFILETIME=1\n", true, true},
        {"TAGROOM=0\nKEEPFILETIME=yes\n", false, false},
    };
    for (const auto& [lines, leaveRoom, keepTime] : cases) {
        store(lines);
        LoadOptions();
        EXPECT_EQ(options::CurrentTagOptions().leaveRoom, leaveRoom) << lines;
        EXPECT_EQ(options::CurrentTagOptions().keepModificationTime, keepTime) << lines;
    }
}

TEST_F(OptionsTest, PlayingOnAtTheEndIsKeptAndReadOnItsOwn)
{
    options::playNextAtEnd = true;
    ASSERT_TRUE(SaveOptions());
    SetDefaultOptions();
    LoadOptions();
    EXPECT_TRUE(options::playNextAtEnd);
    // Taken where the four stop early; one that does not convert is off.
    store("FNIOMP3INFO=yes\nplayNextAtEnd=1\n");
    LoadOptions();
    EXPECT_TRUE(options::playNextAtEnd);
    store("playNextAtEnd=yes\n");
    EXPECT_EQ(LoadOptions().unusedValues, std::vector<std::string>{"playNextAtEnd"});
    EXPECT_FALSE(options::playNextAtEnd);
}

TEST_F(OptionsTest, TheLookupServersAreKeptAndABlankOneKeepsItsDefault)
{
    LoadOptions();
    EXPECT_EQ(options::musicBrainzServer, "https://musicbrainz.org");
    EXPECT_EQ(options::coverArtServer, "https://coverartarchive.org");
    options::musicBrainzServer = "http://mirror.example:5000/mb";
    ASSERT_TRUE(SaveOptions());
    SetDefaultOptions();
    LoadOptions();
    EXPECT_EQ(options::musicBrainzServer, "http://mirror.example:5000/mb");
    EXPECT_EQ(options::coverArtServer, "https://coverartarchive.org");
    store("FNIOMP3INFO=yes\nmusicBrainzServer=\"  \"\ncoverArtServer=http://covers.example\n");
    EXPECT_EQ(LoadOptions().unusedValues, (std::vector<std::string>{"musicBrainzServer", "FNIOMP3INFO"}));
    EXPECT_EQ(options::musicBrainzServer, "https://musicbrainz.org");
    EXPECT_EQ(options::coverArtServer, "http://covers.example");
}

TEST_F(OptionsTest, AStoreThatCannotBeUsedIsSkipped)
{
    // A folder where the settings file is expected: nothing can be read, and
    // saving reports the failure instead of losing it.
    usePlace(dir.path() + "/unusable");
    MakeDir(dir.path() + "/unusable");
    MakeDir(dir.path() + "/unusable/Orvanel Soft");
    MakeDir(storeFile());
    EXPECT_EQ(LoadOptions().unreadable, "Is a directory"); // the system's reason, for the message at start
    ExpectDefaults();
    options::skinName = "Blue";
    std::string reason;
    EXPECT_FALSE(SaveOptions(&reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(options::skinName, "Blue");

    // A file where the settings folder is expected.
    TempDir other;
    WriteFile(other.path() + "/Orvanel Soft", "not a folder");
    usePlace(other.path());
    EXPECT_TRUE(LoadOptions().empty()); // no store there, nothing to keep
    ExpectDefaults();
    EXPECT_FALSE(SaveOptions(&reason));
    EXPECT_EQ(reason, "Not a directory");
}

TEST_F(OptionsTest, AKillInTheMiddleOfASaveLeavesThePreviousSettings)
{
    options::skinName = "Before";
    options::FNIOMP3INFO = true;
    ASSERT_TRUE(SaveOptions());
    const std::string before = ReadFile(storeFile());

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The system kills a process (SIGXFSZ) whose write passes this size:
        // half-way through writing the new settings.
        const rlimit noCore {0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        const rlimit halfWay {1 << 19, 1 << 19};
        setrlimit(RLIMIT_FSIZE, &halfWay);
        options::skinName = std::string(1 << 20, 'x');
        SaveOptions();
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
    EXPECT_EQ(ReadFile(storeFile()), before);

    // The next run reads them and saves again: nothing the killed process
    // left behind (its lock, its temporary file) stands in the way.
    LoadOptions();
    EXPECT_EQ(options::skinName, "Before");
    EXPECT_TRUE(options::FNIOMP3INFO);
    options::skinName = "After";
    ASSERT_TRUE(SaveOptions());
    LoadOptions();
    EXPECT_EQ(options::skinName, "After");
}

} // namespace
