// Patterns of the user's own in both wizards: names and subfolders built
// from tags, and captions matched against placeholders and separators.

#include "wizardfixture.h"

#include "optionvalues.h"
#include "tfrmbatchrename.h"
#include "tfrmbatchtagsetter.h"
#include "tmp3taginfo.h"
#include "tmp3tagv2.h"
#include "tnamepattern.h"
#include "tpreviewmodel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <unistd.h>

namespace {

TMp3TagInfo Values(std::string artist, std::string title, std::string album = {}, std::string track = "0")
{
    TMp3TagInfo values;
    values.Present = true;
    values.Artist = std::move(artist);
    values.Title = std::move(title);
    values.Album = std::move(album);
    values.Track = std::move(track);
    values.Year = "1999";
    return values;
}

std::string Matched(const std::string& pattern, const std::string& caption)
{
    const auto values = TNamePattern(pattern).Match(caption);
    if (!values)
        return "(no match)";
    // The six fields of both tag versions, then those of ID3v2 when any is set.
    std::string out;
    std::string more;
    for (std::size_t field = 0; field < values->size(); ++field)
        (field <= TNamePattern::Genre ? out : more) += (*values)[field] + "|";
    return more.find_first_not_of('|') == std::string::npos ? out : out + more;
}

// The texts of a wizard's shown labels and buttons that do not show whole:
// a wrapped label lower than its lines need, another label or a button
// narrower than its text, unless its tooltip gives the whole text; one a line.
std::string CutTexts(TBatchWizard& wizard)
{
    QApplication::processEvents(); // the layouts follow what was shown or hidden
    QStringList cut;
    for (QWidget* widget : wizard.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&wizard))
            continue;
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            const bool whole = label->wordWrap() ? label->height() >= label->heightForWidth(label->width())
                                                 : label->width() >= label->sizeHint().width();
            if (!whole && label->toolTip() != label->text())
                cut << label->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            if (button->width() < button->sizeHint().width() && button->toolTip() != button->text())
                cut << button->text();
        }
    }
    return cut.join('\n').toStdString();
}

} // namespace

TEST(NamePatternTest, BuildsNamesAndSubfoldersFromTags)
{
    const TNamePattern pattern("%Artist%/%album%/%track2%. %title% (%year%) 100%");
    EXPECT_TRUE(pattern.Uses(TNamePattern::Album));
    EXPECT_FALSE(pattern.Uses(TNamePattern::Genre));
    EXPECT_EQ(pattern.BuildPath(Values("Nina", "River", "Blue", "7"), true), "Nina/Blue/07. River (1999) 100%.mp3");
    EXPECT_EQ(pattern.BuildPath(Values("Nina", "River", "Blue", "112"), true), "Nina/Blue/112. River (1999) 100%.mp3");
    // A slash in a tag separates the values of a list: "; " in the name,
    // never a folder. Another refused character is a blank.
    EXPECT_EQ(pattern.BuildPath(Values("AC/DC", "Back: In", "../x", "1"), true),
              "AC; DC/..; x/01. Back  In (1999) 100%.mp3");
    EXPECT_EQ(TNamePattern::NameText("Bj\u00F6rk / Guest Artist/"), "Bj\u00F6rk; Guest Artist");
    EXPECT_EQ(TNamePattern::NameText(" Plain "), " Plain ");
    EXPECT_EQ(pattern.BuildPath(Values("Nina", "River", " / ", "7"), true), "");
    // Missing fields: skipped while incomplete tags count; otherwise empty
    // folder parts drop out and the track is as read.
    EXPECT_EQ(pattern.BuildPath(Values("Nina", "River", "", "7"), true), "");
    EXPECT_EQ(pattern.BuildPath(Values("Nina", "River", "Blue", "0"), true), "");
    EXPECT_EQ(pattern.BuildPath(Values("Nina", "River", "", "0"), false), "Nina/00. River (1999) 100%.mp3");
    // A folder that would leave the file's folder, or no file name at all.
    EXPECT_EQ(TNamePattern("%album%/%title%").BuildPath(Values("A", "T", ".."), true), "");
    EXPECT_EQ(TNamePattern("../%title%").BuildPath(Values("A", "T"), true), "");
    EXPECT_EQ(TNamePattern("%title%/").BuildPath(Values("A", "T"), true), "");
    EXPECT_EQ(TNamePattern("%artist% - %title%.MP3").BuildPath(Values("A", "T"), true), "A - T.MP3");
    EXPECT_FALSE(TNamePattern("plain.mp3").HasFields());
}

TEST(NamePatternTest, MatchesCaptionsAtTheirSeparators)
{
    // Fields: artist, title, album, track, year, genre.
    EXPECT_EQ(Matched("%artist% - %title%", "AC-DC - Back - Live.MP3"), "AC-DC|Back - Live|||||");
    EXPECT_EQ(Matched("%track% - %artist% - %title%", "05 - Nina - River - Live"), "Nina|River - Live||05|||");
    // The last field runs to where the text after it ends the caption.
    EXPECT_EQ(Matched("%artist% - %title% (live)", "A - B (live) - C (Live).mp3"), "A|B (live) - C|||||");
    EXPECT_EQ(Matched("[%genre%] %album%_%track2%.mp3", "[Jazz] Blue_07.Mp3"), "||Blue|07||Jazz|");
    // The literal text must be there, and every field must have a text.
    EXPECT_EQ(Matched("%artist% - %title%", "Nina River"), "(no match)");
    EXPECT_EQ(Matched("%artist% - %title%", " - River"), "(no match)");
    EXPECT_EQ(Matched("no fields", "no fields"), "(no match)");
}

TEST(NamePatternTest, AlbumFieldsOfId3v2InNamesAndCaptions)
{
    TMp3TagInfo values = Values("Nina", "River", "Blue", "7");
    values.AlbumArtist = "Various/Nina";
    values.Disc = "2";
    values.Composer = "Satie";
    values.Bpm = "120";
    const TNamePattern pattern("%AlbumArtist%/%album% CD%disc2%/%disc%-%track2% %composer% %BPM%");
    EXPECT_EQ(pattern.BuildPath(values, true), "Various; Nina/Blue CD02/2-07 Satie 120.mp3");
    EXPECT_TRUE(pattern.Uses(TNamePattern::Disc));
    EXPECT_FALSE(pattern.Uses(TNamePattern::Year));
    // No disc: a strict name is none, a loose one leaves it out.
    values.Disc.clear();
    EXPECT_EQ(pattern.BuildPath(values, true), "");
    EXPECT_EQ(pattern.BuildPath(values, false), "Various; Nina/Blue CD/-07 Satie 120.mp3");
    EXPECT_EQ(Matched("%albumartist% - %disc%.%track% %bpm%", "VA - 1.05 128.mp3"), "|||05|||VA|1||128|");
    EXPECT_EQ(Matched("%composer%: %title%", "Satie: Gnossienne"), "|Gnossienne|||||||Satie||");
}

TEST_F(WizardTest, RenameWithAPatternOfTheUsersOwnMakesSubfoldersInsideTheFolder)
{
    Song("a.mp3", TagValues{"Nina", "River", "Blue", 7});
    Song("b.mp3", TagValues{"Nina", "Stone", "Blue", 8});
    Song("c.mp3", TagValues{"Otto", "Light", "", 1});         // no album: skipped
    Song("d.mp3", TagValues{"Link", "Song", "Out", 2});       // its artist folder is a link
    Song("e.mp3", TagValues{"Nina", "River", "Blue", 7});     // the name "a" takes first
    const std::string outside = dir.file("outside");
    MakeDir(outside);
    ASSERT_EQ(symlink(outside.c_str(), dir.file("Link").c_str()), 0);

    TfrmBatchRename wizard(playlist, prompts, {});
    wizard.show();
    Next(wizard);
    EXPECT_EQ(wizard.cbFileFormat->count(), 4);
    EXPECT_FALSE(wizard.edtCustomPattern->isEnabled());
    wizard.cbFileFormat->setCurrentText("Custom ...");
    EXPECT_TRUE(wizard.edtCustomPattern->isEnabled());
    wizard.edtCustomPattern->setText(" ");
    wizard.UpdateWizardButtons();
    EXPECT_FALSE(wizard.btnNext->isEnabled());
    wizard.edtCustomPattern->setText("%artist%/%album%/%track2% %title%");
    Next(wizard);
    QStringList rows;
    for (int r = 0; r < wizard.Preview()->Count(); ++r)
        rows << Texts(*wizard.Preview(), r).join('|');
    EXPECT_EQ(rows, (QStringList{"Ok|a.mp3|07 River.mp3|./Nina/Blue/", "Ok|b.mp3|08 Stone.mp3|./Nina/Blue/",
                                 "Skipped|c.mp3||", "Ok|d.mp3|02 Song.mp3|./Link/Out/",
                                 "Name taken|e.mp3|07 River.mp3|./Nina/Blue/"}));
    EXPECT_EQ(options::customRenamePattern, "%artist%/%album%/%track2% %title%");

    Next(wizard);
    EXPECT_EQ(wizard.labResult->text(), "Renamed 2 of 4 files. The files below keep their names.");
    EXPECT_EQ(Listing(dir.file("Nina/Blue")), (std::vector<std::string>{"07 River.mp3", "08 Stone.mp3"}));
    EXPECT_EQ(playlist.FileAt(0)->FullPath(), dir.file("Nina/Blue/07 River.mp3"));
    EXPECT_EQ(V2Of(dir.file("Nina/Blue/08 Stone.mp3")).title, "Stone");
    // Nothing went through the link, and no folder was left behind for it.
    EXPECT_EQ(Listing(outside), std::vector<std::string>{});
    EXPECT_EQ(playlist.FileAt(3)->FullPath(), dir.file("d.mp3"));
    EXPECT_EQ(Listing(), (std::vector<std::string>{"Link", "Nina", "c.mp3", "d.mp3", "e.mp3", "outside"}));
}

TEST_F(WizardTest, TagSetupWithAPatternOfTheUsersOwnWritesItsFieldsOnly)
{
    options::customTagPattern = "remembered";
    const std::string a = Song("07 - Nina Vale - Blue - River - Live.mp3", std::nullopt);
    Song("no separators.mp3", std::nullopt);
    const std::string c = Song("x.mp3", TagValues{"Keep", "Keep", "Keep", 3}); // "Keep - Keep" does not match
    const std::string noTitle = Song("08 - Nina Vale - Blue - .mp3", std::nullopt);
    TfrmBatchTagSetter wizard(playlist, prompts);
    wizard.show();
    Next(wizard);
    EXPECT_EQ(wizard.edtCustomPattern->text(), "remembered");
    wizard.cbSetV2->setChecked(true);
    wizard.cbFileFormat->setCurrentText("Custom ...");
    wizard.edtCustomPattern->setText("no fields");
    wizard.UpdateWizardButtons();
    EXPECT_FALSE(wizard.btnNext->isEnabled());
    EXPECT_EQ(wizard.labMissing->text(), "The pattern needs at least one field, such as %artist% or %title%.");
    wizard.edtCustomPattern->setText("%track2% - %artist% - %album% - %title%");
    Next(wizard);
    ASSERT_EQ(wizard.Preview()->Count(), 4);
    EXPECT_EQ(Texts(*wizard.Preview(), 0),
              (QStringList{"07 - Nina Vale - Blue - River - Live.mp3", "Nina Vale", "River - Live", "07", "Blue", "", ""}));
    // The captions that give no fields are shown unchecked, with the reason.
    QStringList leftOut;
    for (int r = 1; r < 4; ++r) {
        EXPECT_FALSE(wizard.Preview()->RowAt(r).checked) << r;
        leftOut << wizard.Preview()->index(r, TfrmBatchTagSetter::ArtistColumn).data().toString();
    }
    EXPECT_EQ(leftOut, (QStringList{"Left out: does not match the pattern", "Left out: does not match the pattern",
                                    "Left out: no text for %title%"}));
    EXPECT_FALSE(wizard.lvFiles->isColumnHidden(TfrmBatchTagSetter::AlbumColumn));
    EXPECT_TRUE(wizard.lvFiles->isColumnHidden(TfrmBatchTagSetter::YearColumn));
    Next(wizard);
    EXPECT_EQ(wizard.labResult->text(), "Tags set in 1 of 1 files.");
    EXPECT_EQ(V2Of(a), (TagValues{"Nina Vale", "River - Live", "Blue", 7}));
    EXPECT_EQ(ReadFile(noTitle), AudioBytes(2000));
    EXPECT_EQ(options::customTagPattern, "%track2% - %artist% - %album% - %title%");

    // Fields the pattern does not name keep what the tag had.
    EXPECT_EQ(TfrmBatchTagSetter::WriteTexts(c, {{}, std::string("T"), {}, std::string("2001"), {}, {}}, false, true),
              QStringList());
    Tmp3TagV2 tag;
    ASSERT_TRUE(tag.LoadFromFile(c));
    EXPECT_EQ(V2Of(c), (TagValues{"Keep", "T", "Keep", 3}));
    EXPECT_EQ(tag.Year(), "2001");

    // The ID3v2 album fields go into the ID3v2 tag alone.
    TfrmBatchTagSetter::TagTexts album;
    album.albumArtist = "Various";
    album.disc = "1/2";
    album.bpm = "128";
    EXPECT_EQ(TfrmBatchTagSetter::WriteTexts(c, album, true, true), QStringList());
    ASSERT_TRUE(tag.LoadFromFile(c));
    EXPECT_EQ(tag.AlbumArtist(), "Various");
    EXPECT_EQ(tag.Extra(id3v2::kDisc), "1/2");
    EXPECT_EQ(tag.Extra(id3v2::kBpm), "128");
    EXPECT_EQ(tag.Year(), "2001");
}

TEST_F(WizardTest, TheSettingsOfBothWizardsShowTheirTextsWhole)
{
    Song("a.mp3", TagValues{"A", "T"});
    TfrmBatchRename rename(playlist, prompts, {});
    rename.show();
    Next(rename);
    rename.cbFileFormat->setCurrentText("Custom ...");
    rename.edtCustomPattern->clear();
    rename.UpdateWizardButtons();
    ASSERT_TRUE(rename.labMissing->isVisible());
    EXPECT_EQ(CutTexts(rename), "");

    TfrmBatchTagSetter tags(playlist, prompts);
    tags.show();
    Next(tags);
    tags.cbFileFormat->setCurrentText("Custom ...");
    ASSERT_TRUE(tags.labMissing->isVisible());
    EXPECT_EQ(CutTexts(tags), "");
}
