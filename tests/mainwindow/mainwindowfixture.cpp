#include "mainwindowfixture.h"

#include "tfilebrowserpane.h"
#include "tfilesmodel.h"
#include "tfrmmain.h"
#include "tplaylistmodel.h"
#include "tplaylistpane.h"
#include "tsongslistview.h"
#include "testapplication.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QTest>
#include <QTreeView>

void MainWindowTest::SetUp()
{
    TestApplication();
    frm = std::make_unique<TfrmMain>(prompts);
    frm->show();
    frm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
}

void MainWindowTest::TearDown()
{
    frm.reset();
    QApplication::processEvents();
}

TPlaylistPane& MainWindowTest::playlist() const
{
    return *frm->playlist();
}

TFileBrowserPane& MainWindowTest::browser() const
{
    return *frm->browser();
}

void MainWindowTest::MakeMp3(const std::string& path, const std::string& artist, const std::string& title)
{
    std::string bytes;
    if (!artist.empty() || !title.empty())
        bytes += Id3v2Tag(3, artist, title);
    bytes += AudioBytes(1500);
    if (!artist.empty() || !title.empty())
        bytes += Id3v1Block(title, artist);
    WriteFile(path, bytes);
}

std::vector<std::string> MainWindowTest::PlaylistCaptions() const
{
    std::vector<std::string> out;
    const TPlaylistModel* m = playlist().model();
    for (int r = 0; r < m->rowCount(); ++r)
        out.push_back(m->index(r).data().toString().toStdString());
    return out;
}

std::vector<std::string> MainWindowTest::BrowserCaptions() const
{
    std::vector<std::string> out;
    const TFilesModel* m = browser().filesModel();
    for (int r = 0; r < m->Count(); ++r)
        out.push_back(m->RowAt(r).caption.toStdString());
    return out;
}

std::vector<std::string> MainWindowTest::BrowserSelection() const
{
    std::vector<std::string> out;
    const TFilesModel* m = browser().filesModel();
    for (int r = 0; r < m->Count(); ++r) {
        if (browser().filesView()->selectionModel()->isRowSelected(r, QModelIndex()))
            out.push_back(m->RowAt(r).caption.toStdString());
    }
    return out;
}

void MainWindowTest::SelectPlaylistRows(std::initializer_list<int> rows)
{
    QItemSelectionModel* sel = playlist().songsListView()->selectionModel();
    sel->clearSelection();
    for (int r : rows)
        sel->select(playlist().model()->index(r), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void MainWindowTest::SelectBrowserRows(std::initializer_list<int> rows)
{
    QItemSelectionModel* sel = browser().filesView()->selectionModel();
    sel->clearSelection();
    for (int r : rows)
        sel->select(browser().filesModel()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

int MainWindowTest::BrowserRowOf(const std::string& caption) const
{
    const auto captions = BrowserCaptions();
    for (std::size_t i = 0; i < captions.size(); ++i) {
        if (captions[i] == caption)
            return static_cast<int>(i);
    }
    return -1;
}
