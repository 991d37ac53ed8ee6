// The skin manager, the list view's events, the playlist's hover panel and
// the names of the controls for screen readers.

#include "mainwindowfixture.h"

#include "skinmanager.h"
#include "tfilebrowserpane.h"
#include "testapplication.h"
#include "tfrmmain.h"
#include "tfileinfo.h"
#include "tmp3tagv2.h"
#include "tplaylistmodel.h"
#include "tplayerstrip.h"
#include "tplaylistpane.h"
#include "tsonghintpanel.h"
#include "tsongslistview.h"
#include "ttmtlistview.h"
#include "tplayerstrip.h"
#include "tvicons.h"

#include <QAbstractSlider>
#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTest>

#ifndef TV_SOURCE_SKINS_DIR
#error "TV_SOURCE_SKINS_DIR must name the Skins folder of the sources"
#endif

TEST(Skins, ListedFromEveryFolderAndAppliedByName)
{
    QApplication& app = TestApplication();
    TempDir dir;
    MakeDir(dir.file("a"));
    MakeDir(dir.file("b"));
    WriteFile(dir.file("a/Plain.qss"), "QWidget { color: red; }");
    WriteFile(dir.file("b/Plain.qss"), "QWidget { color: blue; }");
    WriteFile(dir.file("b/Other.qss"), "QWidget { color: green; }");
    WriteFile(dir.file("b/notes.txt"), "x");

    SkinManager skins;
    skins.SetSkinDirectories({dir.file("a"), dir.file("b"), dir.file("missing")});
    EXPECT_EQ(skins.AvailableSkins(), (QStringList{QStringLiteral("Other"), QStringLiteral("Plain")}));
    // The first folder that holds a skin wins.
    skins.SetSkinName(QStringLiteral("Plain"));
    EXPECT_TRUE(skins.Activate());
    EXPECT_EQ(app.styleSheet(), QStringLiteral("QWidget { color: red; }"));
    // An unknown name, an empty one, or one that reaches another folder:
    // the plain style.
    for (const char* name : {"Nope", "", "../a/Plain", ".."}) {
        skins.SetSkinName(QString::fromLatin1(name));
        EXPECT_FALSE(skins.Activate()) << name;
        EXPECT_TRUE(app.styleSheet().isEmpty()) << name;
    }

    // The shipped skins: the default and at least two more, one of them dark.
    SkinManager shipped;
    shipped.SetSkinDirectories({TV_SOURCE_SKINS_DIR});
    const QStringList names = shipped.AvailableSkins();
    EXPECT_TRUE(names.contains(QStringLiteral("TheFrog")));
    EXPECT_GE(names.size(), 3);
    EXPECT_TRUE(names.contains(QStringLiteral("Midnight")));
    // The program's own folder is searched first.
    const auto defaults = SkinManager::DefaultSkinDirectories();
    ASSERT_GE(defaults.size(), 2u);
    EXPECT_TRUE(defaults.front().size() > 6 && defaults.front().compare(defaults.front().size() - 6, 6, "Skins/") == 0);
}

TEST(ListView, ColumnResizeEventsAndMouseNotices)
{
    TestApplication();
    TtmtListView view;
    QStandardItemModel model(3, 2);
    model.setHorizontalHeaderLabels({QStringLiteral("Song"), QStringLiteral("Time")});
    view.setModel(&model);
    view.resize(400, 200);
    view.header()->resizeSection(0, 100);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    std::vector<std::tuple<char, int, int>> events;
    QObject::connect(&view, &TtmtListView::OnBeginColumnResize, [&](TtmtListView* s, int c, int w) {
        EXPECT_EQ(s, &view);
        events.emplace_back('b', c, w);
    });
    QObject::connect(&view, &TtmtListView::OnColumnResize, [&](TtmtListView*, int c, int w) { events.emplace_back('r', c, w); });
    QObject::connect(&view, &TtmtListView::OnEndColumnResize, [&](TtmtListView*, int c, int w) { events.emplace_back('e', c, w); });

    QWidget* header = view.header()->viewport();
    const int y = view.header()->height() / 2;
    QTest::mousePress(header, Qt::LeftButton, {}, QPoint(100, y));
    QTest::mouseMove(header, QPoint(130, y));
    // The width changes on release only: a tracking line is dragged.
    EXPECT_EQ(view.header()->sectionSize(0), 100);
    QTest::mouseRelease(header, Qt::LeftButton, {}, QPoint(150, y));
    EXPECT_EQ(view.header()->sectionSize(0), 150);
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events.front(), std::make_tuple('b', 0, 100));
    EXPECT_EQ(events.back(), std::make_tuple('e', 0, 150));
    EXPECT_EQ(view.ColumnIndexForSection(1), 1);
    EXPECT_EQ(view.ColumnIndexForSection(5), -1);

    int entered = 0;
    int left = 0;
    QObject::connect(&view, &TtmtListView::OnMouseEnter, [&] { ++entered; });
    QObject::connect(&view, &TtmtListView::OnMouseLeave, [&] { ++left; });
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&view, &enter);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&view, &leave);
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(left, 1);
}

TEST_F(MainWindowTest, HoverPanelTellsNameFolderAndSizeAndOpensAboveNearTheBottom)
{
    MakeMp3(dir.file("song.mp3"));
    playlist().AddFileToPlaylist(dir.file("song.mp3"));
    TSongsListView* view = playlist().songsListView();
    const QRect row = view->visualRect(playlist().model()->index(0));
    const QPoint global = view->viewport()->mapToGlobal(row.center());
    playlist().songsListViewInfoTip(global);
    TSongHintPanel* hint = playlist().panSongsHint();
    ASSERT_TRUE(hint->isVisible());
    EXPECT_EQ(hint->parentWidget(), frm.get());
    EXPECT_EQ(hint->labSongName()->text(), QStringLiteral("song.mp3"));
    EXPECT_EQ(hint->labSongPath()->text().toStdString(), dir.path() + "/");
    EXPECT_EQ(hint->labSongFileSize()->text().toStdString(), "1.46 Kb");
    // Each caption keeps a gap before its value.
    for (const QLabel* value : {hint->labSongName(), hint->labSongPath(), hint->labSongFileSize()}) {
        for (const QLabel* caption : hint->findChildren<QLabel*>()) {
            if (caption->text().endsWith(QLatin1Char(':')) && caption->y() == value->y()) {
                EXPECT_GE(value->x() - (caption->x() + caption->sizeHint().width()), 6)
                    << caption->text().toStdString();
            }
        }
    }
    const QPoint local = frm->mapFromGlobal(global);
    EXPECT_EQ(hint->pos(), QPoint(local.x(), local.y() + 10));
    EXPECT_EQ(hint->width(), std::max(hint->labSongName()->geometry().right(),
                                      hint->labSongPath()->geometry().right()) + 30);

    // Near the window's bottom edge it opens above the mouse.
    for (int i = 0; i < 80; ++i) {
        const std::string f = dir.file("more" + std::to_string(i) + ".mp3");
        WriteFile(f, AudioBytes(418));
        playlist().AddFileToPlaylist(f);
    }
    QApplication::processEvents();
    const QPoint lowInView(10, view->viewport()->height() - 4);
    ASSERT_TRUE(view->indexAt(lowInView).isValid());
    const QPoint lowGlobal = view->viewport()->mapToGlobal(lowInView);
    playlist().songsListViewInfoTip(lowGlobal);
    ASSERT_TRUE(hint->isVisible());
    const QPoint lowLocal = frm->mapFromGlobal(lowGlobal);
    EXPECT_EQ(hint->pos(), QPoint(lowLocal.x(), lowLocal.y() - hint->height() - 20));
    // No row under the mouse: the panel stays hidden.
    playlist().songsListViewInfoTip(frm->mapToGlobal(QPoint(frm->width() - 5, 5)));
    EXPECT_FALSE(hint->isVisible());
    playlist().songsListViewInfoTip(global);
    EXPECT_TRUE(hint->isVisible());
    // The mouse leaving the list hides the panel.
    playlist().songsListViewMouseLeave();
    EXPECT_FALSE(hint->isVisible());

    // A folder longer than the window is cut in its middle with "…", and the
    // panel stays inside the window also where the mouse is near its edge.
    const std::string deep = dir.file(std::string(200, 'd') + "/" + std::string(200, 'e'));
    MakeDir(dir.file(std::string(200, 'd')));
    MakeDir(deep);
    MakeMp3(deep + "/long.mp3");
    playlist().AddFileToPlaylist(deep + "/long.mp3");
    int longRow = 0;
    while (longRow < playlist().Count() && playlist().FileAt(longRow)->FileName() != "long.mp3")
        ++longRow;
    view->scrollTo(playlist().model()->index(longRow));
    QApplication::processEvents();
    const QRect lastRow = view->visualRect(playlist().model()->index(longRow));
    playlist().songsListViewInfoTip(view->viewport()->mapToGlobal(lastRow.center() + QPoint(lastRow.width() / 3, 0)));
    ASSERT_TRUE(hint->isVisible());
    EXPECT_TRUE(hint->labSongPath()->text().contains(QChar(0x2026)));
    EXPECT_GE(hint->x(), 0);
    EXPECT_LE(hint->geometry().right(), frm->width());
}

TEST_F(MainWindowTest, HoverPanelShowsTheCoverOnceReadInTheBackground)
{
    const std::string covered = dir.file("a.mp3");
    WriteFile(covered, AudioBytes(1500));
    Tmp3TagV2 tag;
    tag.SetTitle("Covered");
    tag.SetFrontCover(PictureBytes("PNG", 40, 20));
    ASSERT_TRUE(tag.SaveToFile(covered));
    MakeMp3(dir.file("b.mp3"));
    for (const char* name : {"a.mp3", "b.mp3"})
        playlist().AddFileToPlaylist(dir.file(name));
    TSongsListView* view = playlist().songsListView();
    TSongHintPanel* hint = playlist().panSongsHint();
    const auto hover = [&](int row) {
        playlist().songsListViewInfoTip(view->viewport()->mapToGlobal(
            view->visualRect(playlist().model()->index(row)).center()));
    };
    const int row = playlist().FileAt(0)->FullPath() == covered ? 0 : 1;

    hover(row);
    const int textWidth = hint->width();
    QTRY_VERIFY(hint->imgSongCover()->isVisible());
    EXPECT_EQ(hint->imgSongCover()->pixmap().size(), QSize(52, 26));
    EXPECT_GT(hint->width(), textWidth);
    hover(1 - row);
    EXPECT_FALSE(hint->imgSongCover()->isVisible());
    QTest::qWait(50);
    EXPECT_FALSE(hint->imgSongCover()->isVisible()) << "a file without a cover shows none";
    // Read before: shown at once.
    hover(row);
    EXPECT_TRUE(hint->imgSongCover()->isVisible());
    // A file changed since is read again.
    tag.RemoveCover();
    ASSERT_TRUE(tag.SaveToFile(covered));
    hover(row);
    QTRY_VERIFY(!hint->imgSongCover()->isVisible());
}

TEST_F(MainWindowTest, NamesAndFoldersShowAsTypedNeverAsMarkup)
{
    MakeDir(dir.file("<u>dir"));
    const std::string song = dir.file("<u>dir/<b>x.mp3");
    MakeMp3(song);
    playlist().AddFileToPlaylist(song);
    TSongsListView* view = playlist().songsListView();
    playlist().songsListViewInfoTip(view->viewport()->mapToGlobal(view->visualRect(playlist().model()->index(0)).center()));
    TSongHintPanel* hint = playlist().panSongsHint();
    for (const QLabel* label : {hint->labSongName(), hint->labSongPath(), hint->labSongFileSize()})
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
    EXPECT_EQ(hint->labSongName()->text(), QStringLiteral("<b>x.mp3"));
    // Shown as typed, the tag takes its room; as markup only "x.mp3" would.
    EXPECT_GE(hint->labSongName()->sizeHint().width(),
              hint->labSongName()->fontMetrics().horizontalAdvance(QStringLiteral("<b>x.mp3")));

    ASSERT_TRUE(browser().ShowFolder(dir.file("<u>dir") + "/"));
    EXPECT_EQ(browser().panCurrDirectory()->textFormat(), Qt::PlainText);
    EXPECT_EQ(browser().panCurrDirectory()->text().toStdString(), dir.file("<u>dir") + "/");
}

namespace {

// The largest alpha and whether every visible pixel is white.
std::pair<int, bool> AlphaAndWhite(const QPixmap& pixmap)
{
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    int alpha = 0;
    bool white = true;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            alpha = std::max(alpha, c.alpha());
            if (c.alpha() > 0)
                white = white && c.red() == 255 && c.green() == 255 && c.blue() == 255;
        }
    }
    return {alpha, white};
}

} // namespace

TEST_F(MainWindowTest, PicturesStayVisibleOnTheSelectionAndLookFadedWhenDisabled)
{
    // Browser rows: white on a selected row, the picture itself otherwise.
    for (const QIcon& icon : TvIcons::FilesImages()) {
        EXPECT_TRUE(AlphaAndWhite(icon.pixmap(16, QIcon::Selected)).second);
        EXPECT_FALSE(AlphaAndWhite(icon.pixmap(16, QIcon::Normal)).second);
    }
    // Buttons: disabled is the picture faded, never brighter.
    for (const QIcon& icon : {TvIcons::PlayIcon(), TvIcons::StopIcon(), TvIcons::RemoveIcon()}) {
        const int normal = AlphaAndWhite(icon.pixmap(24, QIcon::Normal)).first;
        EXPECT_LT(AlphaAndWhite(icon.pixmap(24, QIcon::Disabled)).first, normal / 2);
    }
    // The volume bars are named below them.
    QStringList names;
    for (const QLabel* label : playlist().pVolumeControl()->findChildren<QLabel*>()) {
        if (label->buddy())
            names << label->text();
    }
    EXPECT_EQ(names, (QStringList{QStringLiteral("Master"), QStringLiteral("Program")}));
}

TEST_F(MainWindowTest, EveryControlAndGaugeOfTheWindowHasAnAccessibleName)
{
    playlist().pVolumeControl()->show();
    QStringList nameless;
    for (QWidget* w : frm->findChildren<QWidget*>()) {
        const bool control = (w->focusPolicy() & Qt::TabFocus) || qobject_cast<QAbstractSlider*>(w)
                             || qobject_cast<QProgressBar*>(w);
        if (!control || !w->isVisibleTo(frm.get()) || qobject_cast<QScrollBar*>(w))
            continue;
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
        if (!face || face->text(QAccessible::Name).trimmed().isEmpty())
            nameless << w->metaObject()->className() + QStringLiteral(" ") + w->objectName();
    }
    EXPECT_TRUE(nameless.isEmpty()) << nameless.join(", ").toStdString();
    // The gauges a screen reader cannot tell apart by their look.
    const std::vector<std::pair<const char*, QString>> named = {
        {"progress", "Seek"}, {"VolumeBar1", "Master volume"}, {"VolumeBar2", "Program volume"},
        {"songsListView", "Playlist"}, {"filesView", "Files"}};
    for (const auto& [object, name] : named) {
        auto* w = frm->findChild<QWidget*>(QString::fromLatin1(object));
        ASSERT_NE(w, nullptr) << object;
        EXPECT_EQ(QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name), name) << object;
    }
}
