// Settings that could not be read are reported once at start, naming the
// file, and a file that could not be read is replaced only when the user
// agrees, its old bytes kept beside the new one.
#include "filefixtures.h"
#include "optionvalues.h"
#include "poptions.h"
#include "scriptedprompts.h"
#include "settingskeeper.h"

#include <QSettings>

#include <gtest/gtest.h>

namespace {

class SettingsKeeperTest : public ::testing::Test {
protected:
    // A folder of its own for each store: QSettings keeps files it has read.
    std::string placeStore(const std::string& content)
    {
        const std::string place = dir.file(std::to_string(++m_stores));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(place));
        MakeDir(place);
        MakeDir(place + "/Orvanel Soft");
        const std::string file = place + "/Orvanel Soft/Tunevault.conf";
        WriteFile(file, content);
        return file;
    }

    ScriptedPrompts prompts;
    TempDir dir;
    int m_stores = 0;
};

} // namespace

TEST_F(SettingsKeeperTest, ADamagedStoreIsReportedAndReplacedOnlyWhenTheUserAgrees)
{
    const std::string damaged = std::string("[General]\nskinName=Blue\nnot a setting\n\x01\x02 garbage\n", 47);
    const std::string file = placeStore(damaged);
    const OptionsLoadReport report = LoadOptions();
    EXPECT_EQ(report.file, file);
    EXPECT_FALSE(report.unreadable.empty());
    EXPECT_EQ(options::skinName, "TheFrog"); // nothing of a damaged store is taken
    EXPECT_TRUE(OptionsStoreHeldBack());

    SettingsKeeper keeper(prompts);
    keeper.ReportLoad(report);
    ASSERT_EQ(prompts.count(ScriptedPrompts::Kind::Warning), 1);
    EXPECT_TRUE(prompts.texts().front().contains(QString::fromStdString(file)));

    // Not written over by the preferences' save, nor at a close the user
    // declines.
    options::skinName = "Green";
    EXPECT_FALSE(SaveOptions());
    std::string reason;
    prompts.expect(ScriptedPrompts::Kind::YesNo, PromptAnswer::No);
    EXPECT_TRUE(keeper.Save(reason));
    EXPECT_TRUE(ReadFile(file) == damaged);

    prompts.expect(ScriptedPrompts::Kind::YesNo, PromptAnswer::Yes);
    EXPECT_TRUE(keeper.Save(reason)) << reason;
    EXPECT_TRUE(ReadFile(file + ".damaged") == damaged);
    EXPECT_TRUE(LoadOptions().empty());
    EXPECT_EQ(options::skinName, "Green");
}

TEST_F(SettingsKeeperTest, ValuesThatCannotBeUsedAreNamedAndKeepTheirDefaults)
{
    const std::string file = placeStore("[General]\nskinName=Blue\nFNIOMP3INFO=perhaps\nREPLURLSPACES=1\n"
                                        "TAGROOM=often\nKEEPFILETIME=1\nID3V2VERSION=2.9\n");
    const OptionsLoadReport report = LoadOptions();
    EXPECT_TRUE(report.unreadable.empty());
    EXPECT_EQ(report.unusedValues, (std::vector<std::string>{"ID3V2VERSION", "TAGROOM", "FNIOMP3INFO", "REPLURLSPACES"}));
    EXPECT_EQ(options::skinName, "Blue");
    EXPECT_TRUE(options::CurrentTagOptions().keepModificationTime);

    SettingsKeeper keeper(prompts);
    keeper.ReportLoad(report);
    ASSERT_EQ(prompts.count(ScriptedPrompts::Kind::Warning), 1);
    const QString text = prompts.texts().front();
    EXPECT_TRUE(text.contains(QString::fromStdString(file)) && text.contains(QStringLiteral("FNIOMP3INFO, REPLURLSPACES")))
        << text.toStdString();
    // A store that was read is saved at the close without a question.
    std::string reason;
    EXPECT_TRUE(keeper.Save(reason)) << reason;
    EXPECT_TRUE(LoadOptions().empty());
}
