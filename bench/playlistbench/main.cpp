// playlistbench DIR: an offscreen main window adds DIR to its playlist as the
// "Add directory ..." command does (folder scan under the wait window, one
// sort at the end). One untimed run warms the page cache.
//
// playlistbench DIR --cold: the same add, timed once right after the page
// cache was dropped (root only).
//
// With --tag-columns the playlist shows the table of tags meanwhile.
//
// playlistbench remove DIR: the same, then every row is selected, the
// idle-time enabling of the commands is timed with that selection, and all
// rows are removed as "Remove selected items from playlist" does.

#include "benchprompts.h"
#include "dropcaches.h"

#include "fakemediabackend.h"
#include "mainwindowregistry.h"
#include "progresswindows.h"
#include "tfrmmain.h"
#include "tplayercontrols.h"
#include "tplaylistmodel.h"
#include "tplaylistcolumns.h"
#include "tplaylistpane.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <iostream>

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char* argv[])
{
    // --tag-columns anywhere: the playlist shows the table of tags.
    bool tagColumns = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--tag-columns") == 0) {
            tagColumns = true;
            std::copy(argv + i + 1, argv + argc, argv + i);
            --argc;
            break;
        }
    }
    const bool removeMode = argc == 3 && std::strcmp(argv[1], "remove") == 0;
    const bool cold = argc == 3 && std::strcmp(argv[2], "--cold") == 0;
    if (argc != 2 && !removeMode && !cold) {
        std::cerr << "usage: playlistbench [remove] DIR | playlistbench DIR --cold   (each with --tag-columns)\n";
        return 2;
    }
    const char* dir = removeMode ? argv[2] : argv[1];
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    BenchPrompts prompts(dir);
    TfrmMain frm(prompts);
    frm.CreatePlayerControls(std::make_unique<FakeMediaBackend>(std::make_shared<FakeMediaState>()), {});
    SetMainWindow(&frm);
    ProgressWindows windows;
    frm.show();

    TPlaylistPane& playlist = *frm.playlist();
    playlist.Columns().SetTagColumns(tagColumns);
    if (cold) {
        if (!DropPageCache("playlistbench"))
            return 1;
    } else {
        playlist.submAddDirClick();
        playlist.model()->Clear();
    }

    auto start = std::chrono::steady_clock::now();
    playlist.submAddDirClick();
    const double addSeconds = SecondsSince(start);
    const int n = playlist.Count();
    std::cout << "added " << n << " files in " << std::fixed << std::setprecision(3) << addSeconds
              << " s: " << std::setprecision(0) << (addSeconds > 0 ? n / addSeconds : 0.0) << " files/s\n";

    if (removeMode) {
        playlist.mnuSelectAll1Click();
        QApplication::processEvents();
        // The enabling runs at every idle turn of the event loop.
        constexpr int turns = 10000;
        start = std::chrono::steady_clock::now();
        for (int i = 0; i < turns; ++i)
            frm.playerControls()->playActionUpdate();
        const double perTurn = SecondsSince(start) / turns;
        std::cout << "enabling with " << playlist.SelectedCount() << " rows selected: " << std::setprecision(2)
                  << perTurn * 1e6 << " us per idle turn\n";

        start = std::chrono::steady_clock::now();
        playlist.removeselecteditems1Click();
        QApplication::processEvents();
        const double removeSeconds = SecondsSince(start);
        std::cout << "removed " << n - playlist.Count() << " rows in " << std::setprecision(3) << removeSeconds
                  << " s\n";
    }
    SetMainWindow(nullptr);
    return 0;
}
