// Every shipped skin keeps the lists readable: each state of a playlist row
// and of a file list row is painted, and its text is measured against the
// ground it is drawn on. Pictures of each skin on request.

#include "mainwindowfixture.h"

#include "skinmanager.h"
#include "tfilebrowserpane.h"
#include "tfilesmodel.h"
#include "tfrmmain.h"
#include "tplaylistdelegate.h"
#include "tplaylistmodel.h"
#include "tplaylistpane.h"
#include "tsongslistview.h"

#include <QApplication>
#include <QLabel>
#include <QTreeView>

#include <cmath>
#include <cstdlib>
#include <map>

namespace {

double Luminance(QRgb c)
{
    const auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}

// The contrast ratio of two colours (1 to 21).
double Contrast(QRgb a, QRgb b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// What an area shows: its most frequent colour (the ground) and the
// contrast of the pixel most different from it (the text's ink).
struct Ink {
    QRgb ground = 0;
    double contrast = 1;
};

Ink Measure(const QImage& image, const QRect& area)
{
    std::map<QRgb, int> counts;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ++counts[image.pixel(x, y) | 0xff000000u];
    Ink ink;
    int best = 0;
    for (const auto& [colour, n] : counts) {
        if (n > best) {
            best = n;
            ink.ground = colour;
        }
    }
    for (const auto& [colour, n] : counts)
        ink.contrast = std::max(ink.contrast, Contrast(colour, ink.ground));
    return ink;
}

// The text part of a row: past the state picture, a stretch of the caption.
QRect TextArea(const QTreeView& view, int row, int left)
{
    const QRect rect = view.visualRect(view.model()->index(row, 0));
    return QRect(rect.left() + left, rect.top() + 1, 90, rect.height() - 2);
}

class SkinsTest : public MainWindowTest {
protected:
    // Playlist rows: 0 plain, 1 playing, 2 selected, 3 selected and playing,
    // 4 under the mouse. File list rows: "..", a selected folder, files.
    void FillSample()
    {
        for (const char* name : {"a1.mp3", "a2.mp3", "a3.mp3", "a4.mp3", "a5.mp3"}) {
            MakeMp3(dir.file(name));
            playlist().AddFileToPlaylist(dir.file(name));
        }
        MakeDir(dir.file("Albums"));
        ASSERT_TRUE(browser().ShowFolder(dir.path() + "/"));
        playlist().model()->SetChecked(1, true);
        playlist().model()->SetChecked(3, true);
        SelectPlaylistRows({2, 3});
        playlist().delegate()->SetHoverRow(4);
        SelectBrowserRows({BrowserRowOf("Albums")});
    }

    static QStringList ShippedSkins()
    {
        SkinManager shipped;
        shipped.SetSkinDirectories({TV_SOURCE_SKINS_DIR});
        return shipped.AvailableSkins();
    }

    void UseSkin(const QString& name)
    {
        frm->skins().SetSkinDirectories({TV_SOURCE_SKINS_DIR});
        frm->skins().SetSkinName(name);
        frm->skins().Activate();
        QApplication::processEvents();
    }

    void Focus(QWidget* w)
    {
        w->setFocus();
        QApplication::processEvents();
        ASSERT_TRUE(w->hasFocus());
    }

    // Each row's text at `minimum` contrast or better; the selected rows
    // stand out from the others.
    void ExpectReadable(const QString& skin, const char* state, double minimum)
    {
        QTreeView* songs = playlist().songsListView();
        const QImage songImage = songs->viewport()->grab().toImage();
        const char* songRows[] = {"plain", "playing", "selected", "selected playing", "hovered"};
        for (int row = 0; row < 5; ++row) {
            const Ink ink = Measure(songImage, TextArea(*songs, row, 30));
            EXPECT_GE(ink.contrast, minimum) << skin.toStdString() << ", " << state << ": playlist row "
                                             << songRows[row];
        }
        const QRgb plainSong = Measure(songImage, TextArea(*songs, 0, 30)).ground;
        EXPECT_GE(Contrast(Measure(songImage, TextArea(*songs, 2, 30)).ground, plainSong), 1.25)
            << skin.toStdString() << ", " << state << ": the playlist's selection does not stand out";

        QTreeView* files = browser().filesView();
        const QImage fileImage = files->viewport()->grab().toImage();
        for (int row = 0; row < browser().filesModel()->Count(); ++row) {
            const Ink ink = Measure(fileImage, TextArea(*files, row, 24));
            EXPECT_GE(ink.contrast, minimum) << skin.toStdString() << ", " << state << ": file row " << row;
        }
        const int selected = BrowserRowOf("Albums");
        EXPECT_GE(Contrast(Measure(fileImage, TextArea(*files, selected, 24)).ground,
                           Measure(fileImage, TextArea(*files, selected + 1, 24)).ground),
                  1.25)
            << skin.toStdString() << ", " << state << ": the file list's selection does not stand out";

        QLabel* folder = browser().panCurrDirectory();
        EXPECT_GE(Measure(folder->grab().toImage(), folder->rect().adjusted(4, 4, -4, -4)).contrast, minimum)
            << skin.toStdString() << ", " << state << ": the current folder strip";
    }
};

} // namespace

TEST_F(SkinsTest, EveryShippedSkinKeepsEveryRowReadable)
{
    FillSample();
    const QStringList skins = ShippedSkins();
    ASSERT_GE(skins.size(), 3);
    for (const QString& skin : skins) {
        UseSkin(skin);
        Focus(playlist().songsListView());
        ExpectReadable(skin, "playlist focused", 4.5);
        Focus(browser().filesView());
        ExpectReadable(skin, "file list focused", 4.5);
        // During a long operation the window is disabled: dimmer, still legible.
        frm->setEnabled(false);
        QApplication::processEvents();
        ExpectReadable(skin, "disabled", 3.0);
        frm->setEnabled(true);
    }
    UseSkin(QString());
}

TEST_F(SkinsTest, SnapshotOfEachSkin)
{
    // TV_SNAPSHOT_DIR=/path saves, for every shipped skin, the main window
    // with the playlist focused and with the file list focused.
    const char* out = std::getenv("TV_SNAPSHOT_DIR");
    if (!out)
        GTEST_SKIP() << "set TV_SNAPSHOT_DIR to a folder to save pictures";
    FillSample();
    for (const QString& skin : ShippedSkins()) {
        UseSkin(skin);
        for (QWidget* focus : {static_cast<QWidget*>(playlist().songsListView()),
                               static_cast<QWidget*>(browser().filesView())}) {
            Focus(focus);
            const QString file = QString::fromLocal8Bit(out) + QLatin1Char('/') + skin + QLatin1Char('-')
                                 + focus->objectName() + QStringLiteral(".png");
            ASSERT_TRUE(frm->grab().save(file)) << file.toStdString();
        }
    }
    UseSkin(QString());
}
