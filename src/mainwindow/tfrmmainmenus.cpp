// The main window's menu bar and toolbar, and the toolbar buttons' menus.
// Part of TfrmMain.
#include "tfrmmain.h"

#include "tplaylistcolumns.h"
#include "tplaylistpane.h"
#include "tvicons.h"

#include <QAction>
#include <QCursor>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

void TfrmMain::BuildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto add = [](QMenu* menu, const char* name, const char* caption, const QKeySequence& key = {}) {
        QAction* a = menu->addAction(QString::fromLatin1(caption));
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        return a;
    };
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    Addsinglefile1 = add(file, "Addsinglefile1", "&Add single file ...", QKeySequence(Qt::CTRL | Qt::Key_O));
    Adddirectory1 = add(file, "Adddirectory1", "Add &directory ...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    Openplaylist1 = add(file, "Openplaylist1", "&Open playlist ...");
    Saveplaylistas1 = add(file, "Saveplaylistas1", "&Save playlist as ...");
    file->addSeparator();
    mnuSearchItem = add(file, "mnuSearchItem", "&Jump to file ...", QKeySequence(Qt::Key_F3));
    file->addSeparator();
    Exit1 = add(file, "Exit1", "E&xit");
    QMenu* tools = bar->addMenu(QStringLiteral("&Tools"));
    BatchfilesRename1 = add(tools, "BatchfilesRename1", "&Rename files from mp3 tags ...");
    BatchSetupmp3Tagsfromfilenames1 = add(tools, "BatchSetupmp3Tagsfromfilenames1", "&Set mp3 Tags from file names ...");
    TagActions1 = add(tools, "TagActions1", "&Tag actions ...");
    LookUpAlbumOnline1 = add(tools, "LookUpAlbumOnline1", "Look up album &online ...");
    Undolastchange1 = add(tools, "Undolastchange1", "&Undo last change", QKeySequence(Qt::CTRL | Qt::Key_Z));
    tools->addSeparator();
    Preferences1 = add(tools, "Preferences1", "&Preferences ...");
    bar->addMenu(m_playlist->Columns().ViewMenu());
    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    Reportabug1 = add(help, "Reportabug1", "&Report a bug");
    help->addSeparator();
    About1 = add(help, "About1", "&About");

    // The toolbar menus show shortcuts that act elsewhere (the main menu, and
    // the window's keys for Delete and Ctrl+Delete), so they carry the text only.
    mnuAdd = new QMenu(this);
    mnuAdd->setObjectName(QStringLiteral("mnuAdd"));
    xxx1 = add(mnuAdd, "xxx1", "&Add file(s) ...\tCtrl+O");
    zzz1 = add(mnuAdd, "zzz1", "Add &directory ...\tCtrl+Shift+O");
    mnuRemove = new QMenu(this);
    mnuRemove->setObjectName(QStringLiteral("mnuRemove"));
    Clearplaylist1 = add(mnuRemove, "Clearplaylist1", "&Clear play list");
    removeselecteditems1 = add(mnuRemove, "removeselecteditems1", "&Remove selected items from playlist\tDelete");
    mnuRemove->addSeparator();
    Deleteselectedfilesphysicaly1 = add(mnuRemove, "Deleteselectedfilesphysicaly1", "&Delete selected files physicaly\tCtrl+Delete");

    connect(Addsinglefile1, &QAction::triggered, m_playlist, &TPlaylistPane::submAddSingleFileClick);
    connect(xxx1, &QAction::triggered, m_playlist, &TPlaylistPane::submAddSingleFileClick);
    connect(Adddirectory1, &QAction::triggered, m_playlist, &TPlaylistPane::submAddDirClick);
    connect(zzz1, &QAction::triggered, m_playlist, &TPlaylistPane::submAddDirClick);
    connect(Openplaylist1, &QAction::triggered, m_playlist, &TPlaylistPane::OpenPlaylistClick);
    connect(Saveplaylistas1, &QAction::triggered, m_playlist, &TPlaylistPane::SavePlaylistAsClick);
    connect(mnuSearchItem, &QAction::triggered, this, &TfrmMain::showSearchWindow);
    connect(Exit1, &QAction::triggered, this, &TfrmMain::Exit1Click);
    connect(BatchfilesRename1, &QAction::triggered, this, &TfrmMain::BatchfilesRename1Click);
    connect(BatchSetupmp3Tagsfromfilenames1, &QAction::triggered, this, &TfrmMain::BatchSetupmp3Tagsfromfilenames1Click);
    connect(TagActions1, &QAction::triggered, this, &TfrmMain::TagActions1Click);
    connect(LookUpAlbumOnline1, &QAction::triggered, this, &TfrmMain::LookUpAlbumOnline1Click);
    connect(Preferences1, &QAction::triggered, this, &TfrmMain::Preferences1Click);
    connect(Reportabug1, &QAction::triggered, this, &TfrmMain::Reportabug1Click);
    connect(About1, &QAction::triggered, this, &TfrmMain::About1Click);
    connect(Clearplaylist1, &QAction::triggered, m_playlist, &TPlaylistPane::Clearplaylist1Click);
    connect(removeselecteditems1, &QAction::triggered, m_playlist, &TPlaylistPane::removeselecteditems1Click);
    connect(Deleteselectedfilesphysicaly1, &QAction::triggered, this, &TfrmMain::Deleteselectedfilesphysicaly1Click);
    connect(m_playlist->mnuCopyselectedsongs1, &QAction::triggered, this, &TfrmMain::mnuCopyselectedsongs1Click);
    connect(m_playlist->mnuMoveselectedsongs1, &QAction::triggered, this, &TfrmMain::mnuMoveselectedsongs1Click);
}

void TfrmMain::BuildToolBar()
{
    m_toolBar = addToolBar(QStringLiteral("Toolbar"));
    m_toolBar->setObjectName(QStringLiteral("sToolBar1"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(QSize(30, 30));
    auto button = [this](const char* name, const QString& hint, const QIcon& icon) {
        auto* b = new QToolButton(m_toolBar);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        b->setAccessibleName(hint);
        b->setIcon(icon);
        b->setIconSize(QSize(30, 30));
        b->setFixedSize(37, 36);
        b->setAutoRaise(true);
        return b;
    };
    m_toolBar->addSeparator();
    btntbAdd = button("btntbAdd", QStringLiteral("Add to playlist"), TvIcons::AddIcon());
    btntbAdd->setMenu(mnuAdd);
    btntbAdd->setPopupMode(QToolButton::InstantPopup);
    m_toolBar->addWidget(btntbAdd);
    btntbRemove = button("btntbRemove", QStringLiteral("Remove"), TvIcons::RemoveIcon());
    btntbRemove->setMenu(mnuRemove);
    btntbRemove->setPopupMode(QToolButton::InstantPopup);
    m_toolBar->addWidget(btntbRemove);
    // The menu took the mouse: a button that the mouse has left since does
    // not keep its highlight after the menu closes.
    for (QToolButton* b : {btntbAdd, btntbRemove}) {
        connect(b->menu(), &QMenu::aboutToHide, b, [b] {
            b->setAttribute(Qt::WA_UnderMouse, b->rect().contains(b->mapFromGlobal(QCursor::pos())));
            b->update();
        });
    }
    m_toolBar->addSeparator();
    btntbSearch = button("btntbSearch", QStringLiteral("Jump to file (F3 or J)"), TvIcons::SearchIcon());
    m_toolBar->addWidget(btntbSearch);
    connect(btntbSearch, &QToolButton::clicked, this, &TfrmMain::showSearchWindow);
}
