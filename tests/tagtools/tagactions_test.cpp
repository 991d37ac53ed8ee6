// The tag actions: the letter-case and tidy rules, replace with groups,
// copy, swap and track numbers over tags that TagLib built (ID3v1, ID3v2.3
// and a multi-value ID3v2.4 tag), the preview against what is written, the
// files that do not change left as they are, and the settings kept.

#include "tagtoolsfixture.h"
#include "wizardfixture.h"

#include "optionvalues.h"
#include "tfrmmain.h"
#include "ttagcommands.h"
#include "tagaction.h"
#include "tagactionsettings.h"
#include "tagtextedits.h"
#include "tfrmtagactions.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"
#include "tpreviewmodel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <id3v1tag.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <textidentificationframe.h>

#include <sys/stat.h>

namespace {

using Case = TagTextEdits::Case;
using Action = TagActionSettings::Action;

QString Title(const char* text)
{
    return TagTextEdits::TitleCase(QString::fromUtf8(text));
}

TagLib::String TL(const std::string& utf8)
{
    return TagLib::String(utf8, TagLib::String::UTF8);
}

std::string Utf8(const TagLib::String& s)
{
    return s.to8Bit(true);
}

// A file whose tags TagLib writes: ID3v2 of `version` with the artist's
// values (several in ID3v2.4) and an ID3v1 tag with the first of them.
void TagLibSong(const std::string& path, const std::string& title, const std::vector<std::string>& artists,
                TagLib::ID3v2::Version version, const std::vector<std::string>& albums = {"Album"})
{
    WriteFile(path, AudioBytes(2000));
    TagLib::MPEG::File file(path.c_str());
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
    tag->setTitle(TL(title));
    for (const auto& [id, values] : {std::pair{"TPE1", &artists}, std::pair{"TALB", &albums}}) {
        auto frame = std::make_unique<TagLib::ID3v2::TextIdentificationFrame>(id, TagLib::String::UTF8);
        TagLib::StringList list;
        for (const std::string& value : *values)
            list.append(TL(value));
        frame->setText(list);
        tag->addFrame(frame.release());
    }
    tag->setTrack(3);
    TagLib::ID3v1::Tag* v1 = file.ID3v1Tag(true);
    v1->setTitle(TL(title));
    v1->setArtist(TL(artists.front()));
    ASSERT_TRUE(file.save(TagLib::MPEG::File::AllTags, TagLib::File::StripOthers, version));
}

// What TagLib reads of a text frame: its values.
std::vector<std::string> TagLibValues(const std::string& path, const char* id)
{
    TagLib::MPEG::File file(path.c_str());
    std::vector<std::string> values;
    if (TagLib::ID3v2::Tag* tag = file.ID3v2Tag(false))
        for (const TagLib::ID3v2::Frame* frame : tag->frameListMap()[id])
            if (const auto* text = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frame))
                for (const TagLib::String& value : text->fieldList())
                    values.push_back(Utf8(value));
    return values;
}

// Walks the wizard to its preview with `settings`.
void ToPreview(TfrmTagActions& wizard, const TagActionSettings& settings)
{
    wizard.show();
    Click(wizard, wizard.btnNext);
    wizard.ShowSettings(settings);
    Click(wizard, wizard.btnNext);
    ASSERT_EQ(wizard.CurrentPage(), TBatchWizard::PreviewPage);
}

} // namespace

TEST(TagTextEditsTest, CasesKeepShortWordsNumeralsCapitalsAndNonAsciiLetters)
{
    // Short words small except at the start and after "(", "-" or "/".
    EXPECT_EQ(Title("the WIND of change (the remix) - a tale feat. someone"),
              "The WIND of Change (The Remix) - A Tale feat. Someone");
    EXPECT_EQ(Title("rock and roll, OR not"), "Rock and Roll, OR Not");
    EXPECT_EQ(Title("back-to-back in the u.s."), "Back-To-Back in the U.s.");
    // Roman numerals in capitals; words the user wrote in capitals stay.
    EXPECT_EQ(Title("symphony no. ix part ii, vol xiv"), "Symphony No. IX Part II, Vol XIV");
    EXPECT_EQ(Title("mix of ABBA and AC/DC, live in MCMLXXX"), "Mix of ABBA and AC/DC, Live in MCMLXXX");
    EXPECT_EQ(Title("1st \"hey\" 'til dawn"), "1st \"Hey\" 'Til Dawn");
    // Letters beyond ASCII, and a capital alone is no word in capitals.
    EXPECT_EQ(Title("élan vital à l'ÉCOLE de la straße"), "Élan Vital À L'école De La Straße");
    EXPECT_EQ(Title("A Day at THE races"), "A Day at THE Races");
    EXPECT_EQ(TagTextEdits::ChangeCase(QString::fromUtf8("Straße élan"), Case::Upper), QString::fromUtf8("STRASSE ÉLAN"));
    EXPECT_EQ(TagTextEdits::ChangeCase(QString::fromUtf8("ÉCOLE Straße"), Case::Lower), QString::fromUtf8("école straße"));
    EXPECT_EQ(TagTextEdits::ChangeCase(QString::fromUtf8("éLAN vital. the END! ok? 2nd wave"), Case::Sentence),
              QString::fromUtf8("Élan vital. The end! Ok? 2nd wave"));

    const TagTextEdits::Tidy all;
    EXPECT_EQ(TagTextEdits::Tidied(QStringLiteral("  my__song \t  title_ "), all), "my song title");
    EXPECT_EQ(TagTextEdits::Tidied(QStringLiteral(" a_b  c "), {false, true, false}), " a_b c ");
}

TEST_F(WizardTest, ReplaceCopySwapAndNumbersGiveWhatTheTagsHoldAfterTheSave)
{
    const TagOptions tagOptions = options::CurrentTagOptions();
    const std::string path = dir.file("song.mp3");
    TagLibSong(path, "Track_01 (Live 1999)", {"The Band"}, TagLib::ID3v2::v3);

    // A regular expression with groups, whatever the letter case.
    TagActionSettings replace;
    replace.action = Action::Replace;
    replace.fields = {"title"};
    replace.v1 = true;
    replace.find = QStringLiteral("TRACK_(\\d+) \\(live (\\d+)\\)");
    replace.replacement = QStringLiteral("Song \\1 [\\2]");
    replace.regularExpression = true;
    TagAction regex(replace, tagOptions);
    EXPECT_EQ(regex.Problem(), "");
    TagAction::FilePlan plan = regex.Plan(path, {});
    ASSERT_EQ(plan.changes.size(), 2u);
    for (const TagAction::Change& change : plan.changes) {
        EXPECT_EQ(change.before, "Track_01 (Live 1999)");
        EXPECT_EQ(change.after, "Song 01 [1999]");
    }
    replace.caseSensitive = true;
    EXPECT_TRUE(TagAction(replace, tagOptions).Plan(path, {}).changes.empty());
    replace.find = QStringLiteral("(unclosed");
    EXPECT_NE(TagAction(replace, tagOptions).Problem(), "");
    replace.regularExpression = false;
    replace.caseSensitive = false;
    replace.find = QStringLiteral("track_");
    replace.replacement = QStringLiteral("#");
    EXPECT_EQ(TagAction(replace, tagOptions).Edited(QStringLiteral("Track_1 track_2")), "#1 #2");

    // Swap artist and title in ID3v2; the ID3v1 tag is not asked for.
    TagActionSettings swap;
    swap.action = Action::Swap;
    swap.from = "artist";
    swap.to = "title";
    const TagAction swapping(swap, tagOptions);
    plan = swapping.Plan(path, {});
    ASSERT_EQ(plan.changes.size(), 2u);
    EXPECT_TRUE(swapping.Write(plan).isEmpty());
    EXPECT_EQ(TagLibValues(path, "TIT2"), std::vector<std::string>{"The Band"});
    EXPECT_EQ(TagLibValues(path, "TPE1"), std::vector<std::string>{"Track_01 (Live 1999)"});
    // A plan whose file changed since is not written.
    const std::string swapped = ReadFile(path);
    EXPECT_EQ(swapping.Write(plan).size(), 1);
    EXPECT_EQ(ReadFile(path), swapped);

    // Copy the artist into the album artist, a field ID3v1 lacks.
    TagActionSettings copy;
    copy.action = Action::Copy;
    const TagAction copying(copy, tagOptions);
    plan = copying.Plan(path, {});
    ASSERT_EQ(plan.changes.size(), 1u);
    EXPECT_TRUE(copying.Write(plan).isEmpty());
    EXPECT_EQ(TagLibValues(path, "TPE2"), std::vector<std::string>{"Track_01 (Live 1999)"});
    copy.v1 = true;
    copy.v2 = false;
    EXPECT_EQ(TagAction(copy, tagOptions).Problem(), "The ID3v1 tag has no field Album artist.");

    // Copy into the ID3v1 tag: cut to the room of its field, and
    // characters that its code page lacks are flagged.
    copy = {};
    copy.action = Action::Copy;
    copy.v1 = true;
    copy.v2 = false;
    copy.from = "title";
    copy.to = "comment";
    Tmp3TagV1 v1;
    v1.LoadFromFile(path);
    v1.SetTitle("Ünïcode ЖЖ and a long tail of words");
    v1.SaveToFile(path);
    plan = TagAction(copy, tagOptions).Plan(path, {});
    ASSERT_EQ(plan.changes.size(), 1u);
    // The comment of an ID3v1.1 tag holds 28 bytes.
    EXPECT_EQ(plan.changes[0].after, "Ünïcode ?? and a long tail o");
    EXPECT_FALSE(plan.changes[0].v1Loses);
    replace.fields = {"artist"};
    replace.v2 = false;
    replace.find = QStringLiteral("band");
    replace.replacement = QString::fromUtf8("Бэнд");
    plan = TagAction(replace, tagOptions).Plan(path, {});
    ASSERT_EQ(plan.changes.size(), 1u);
    EXPECT_EQ(plan.changes[0].after, "The ????");
    EXPECT_TRUE(plan.changes[0].v1Loses);

    // Numbers: per folder or over all; ID3v1 holds n up to 255, ID3v2 "n/N".
    const auto numbers = TagAction::Numbers({"/a/1.mp3", "/b/1.mp3", "/a/2.mp3", "/a/3.mp3"}, true);
    std::vector<std::pair<int, int>> pairs;
    for (const auto& n : numbers)
        pairs.emplace_back(n.number, n.total);
    EXPECT_EQ(pairs, (std::vector<std::pair<int, int>>{{1, 3}, {1, 1}, {2, 3}, {3, 3}}));
    EXPECT_EQ(TagAction::Numbers({"/a/1.mp3", "/b/1.mp3"}, false)[1].number, 2);
    TagActionSettings number;
    number.action = Action::Number;
    number.v1 = true;
    number.withTotal = true;
    const TagAction numbering(number, tagOptions);
    plan = numbering.Plan(path, {300, 310});
    ASSERT_EQ(plan.changes.size(), 1u);
    EXPECT_EQ(plan.changes[0].after, "300/310");
    EXPECT_EQ(plan.notes, QStringList{"ID3v1: track 300 is above 255"});
    EXPECT_TRUE(numbering.Write(plan).isEmpty());
    EXPECT_EQ(TagLibValues(path, "TRCK"), std::vector<std::string>{"300/310"});
    plan = numbering.Plan(path, {12, 310});
    EXPECT_TRUE(numbering.Write(plan).isEmpty());
    {
        TagLib::MPEG::File file(path.c_str());
        EXPECT_EQ(file.ID3v1Tag(false)->track(), 12u);
        EXPECT_EQ(Utf8(file.ID3v2Tag(false)->frameListMap()["TRCK"].front()->toString()), "12/310");
    }

    // Tidy: the swapped artist loses its "_".
    TagActionSettings tidy;
    tidy.action = Action::Tidy;
    tidy.fields = {"artist"};
    const TagAction tidying(tidy, tagOptions);
    plan = tidying.Plan(path, {});
    ASSERT_EQ(plan.changes.size(), 1u);
    EXPECT_TRUE(tidying.Write(plan).isEmpty());
    EXPECT_EQ(TagLibValues(path, "TPE1"), std::vector<std::string>{"Track 01 (Live 1999)"});
}

TEST_F(WizardTest, TitleCaseRunPreviewsWhatItWritesAndLeavesTheRestAsItWas)
{
    // ID3v2.4 tags stay ID3v2.4, so that their values stay several.
    TagOptions keep = options::CurrentTagOptions();
    keep.writeVersion = Id3v2WriteVersion::Keep;
    options::SetTagOptions(keep);
    const std::string multi = Song("multi.mp3", std::nullopt);
    TagLibSong(multi, "straße to élan", {"élan vital", "the cure"}, TagLib::ID3v2::v4, {"first", "second"});
    const std::string done = Song("done.mp3", TagValues{"Already Done", "The Title"});
    const std::string untouched = ReadFile(done);
    const std::string sub = dir.file("sub");
    ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
    const std::string v1only = Song("v1.mp3", std::nullopt, TagValues{"  lower_case  band", "ok"}, sub);

    TfrmTagActions wizard(playlist, prompts);
    TagActionSettings settings;
    settings.fields = {"title", "artist"};
    settings.v1 = true;
    ToPreview(wizard, settings);

    // One row per change, in list order; the file without a change marked.
    std::vector<QStringList> rows;
    for (int r = 0; r < wizard.Preview()->Count(); ++r)
        rows.push_back(wizard.Preview()->RowAt(r).leftOutBecause.isEmpty()
                           ? Texts(*wizard.Preview(), r).mid(0, 5)
                           : QStringList{Texts(*wizard.Preview(), r)[0], wizard.Preview()->RowAt(r).leftOutBecause});
    const std::vector<QStringList> expected = {
        {"multi.mp3", "ID3v1", "Title", "straße to élan", "Straße to Élan"},
        {"multi.mp3", "ID3v1", "Artist", "élan vital", "Élan Vital"},
        {"multi.mp3", "ID3v2", "Title", "straße to élan", "Straße to Élan"},
        {"multi.mp3", "ID3v2", "Artist", "élan vital/the cure", "Élan Vital/The Cure"},
        {"done.mp3", "No change"},
        {"v1.mp3", "ID3v1", "Title", "ok", "Ok"},
        {"v1.mp3", "ID3v1", "Artist", "  lower_case  band", "  Lower_case  Band"},
    };
    EXPECT_EQ(rows, expected);

    Next(wizard);
    ASSERT_EQ(wizard.CurrentPage(), TBatchWizard::FinishPage);
    EXPECT_EQ(wizard.labResult->text(), "Tags changed in 2 of 2 files.");
    EXPECT_TRUE(wizard.TagsSet());
    EXPECT_EQ(ReadFile(done), untouched);
    // What TagLib reads is what the preview showed; the album's two values,
    // which the action leaves alone, stay two.
    TagLib::MPEG::File file(multi.c_str());
    EXPECT_EQ(file.ID3v2Tag(false)->header()->majorVersion(), 4u);
    EXPECT_EQ(Utf8(file.ID3v2Tag(false)->title()), "Straße to Élan");
    EXPECT_EQ(TagLibValues(multi, "TPE1"), std::vector<std::string>{"Élan Vital/The Cure"});
    EXPECT_EQ(TagLibValues(multi, "TALB"), (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(Utf8(file.ID3v1Tag(false)->artist()), "Élan Vital");
    EXPECT_EQ(V1Of(v1only), (TagValues{"  Lower_case  Band", "Ok"}));
    // The settings are kept for the next run, which starts from them.
    EXPECT_EQ(TagActionSettings::FromText(QString::fromStdString(options::tagActionSettings)).fields,
              settings.fields);
    TfrmTagActions next(playlist, prompts);
    EXPECT_TRUE(next.cbSetV1->isChecked());
    EXPECT_FALSE(next.FieldChecked(2));
    // Values that cannot be used keep their defaults; the others are taken.
    const TagActionSettings odd = TagActionSettings::FromText(
        QStringLiteral(R"({"action":"swap","fields":["title","nofield"],"v1":3,"from":"nofield","to":"album"})"));
    EXPECT_EQ(odd.action, Action::Swap);
    EXPECT_EQ(odd.fields, TagActionSettings().fields);
    EXPECT_FALSE(odd.v1);
    EXPECT_EQ(odd.from, "artist");
    EXPECT_EQ(odd.to, "album");
    EXPECT_EQ(TagActionSettings().to, "albumartist");
}

TEST_F(TagToolsTest, TagActionsFromTheToolsMenuAreUndoneInOneStepByteForByte)
{
    QAction* command = frm->TagActions1;
    EXPECT_EQ(command->text(), "&Tag actions ...");
    EXPECT_FALSE(command->isEnabled());
    const Tags one{"first song", "some band", "", "", "", "", 7};
    const Tags two{"second song", "some band", "", "", "", "", 0};
    const std::string a = AddSong("a.mp3", &one, &one);
    const std::string b = AddSong("b.mp3", &two);
    const Tags three{"third song", "some band", "", "", "", "", 0};
    const std::string c = AddSong("c.mp3", &three);
    frm->UpdateActions();
    EXPECT_TRUE(command->isEnabled());
    const std::vector<std::string> before {ReadFile(a), ReadFile(b), ReadFile(c)};
    // Two of the three rows are selected: the third is left alone.
    Select({0, 1});

    bool driven = false;
    OnWizard<TfrmTagActions>(driven, [](TfrmTagActions& wizard) {
        Click(wizard, wizard.btnNext);
        EXPECT_EQ(wizard.labScope->text(), "Works on the 2 selected rows of the playlist.");
        wizard.cbAction->setCurrentIndex(static_cast<int>(Action::Number));
        wizard.rbOverAll->setChecked(true);
        wizard.cbWithTotal->setChecked(true);
        wizard.cbSetV1->setChecked(true);
        wizard.cbSetV2->setChecked(true);
        for (int page = 1; page < 4; ++page)
            Click(wizard, wizard.btnNext);
    });
    command->trigger();
    EXPECT_TRUE(driven);
    EXPECT_EQ(TagLibFrame(a, "TRCK"), "1/2");
    EXPECT_EQ(TagLibFrame(b, "TRCK"), "2/2");
    EXPECT_EQ(ReadFile(c), before[2]);
    EXPECT_EQ(static_cast<unsigned char>(Trailer(a)[126]), 1);
    EXPECT_EQ(frm->Undolastchange1->text(), "&Undo: tags of 2 files");

    prompts.expect(ScriptedPrompts::Kind::YesNo, PromptAnswer::Yes);
    frm->Undolastchange1->trigger();
    EXPECT_EQ((std::vector<std::string>{ReadFile(a), ReadFile(b), ReadFile(c)}), before);
    EXPECT_FALSE(frm->Undolastchange1->isEnabled());
}
