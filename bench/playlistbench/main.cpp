// playlistbench DIR: an offscreen main window adds DIR to its playlist as the
// "Add directory ..." command does (folder scan under the wait window, one
// sort at the end). One untimed run warms the page cache.

#include "benchprompts.h"

#include "mainwindowregistry.h"
#include "progresswindows.h"
#include "tfrmmain.h"
#include "tplaylistmodel.h"
#include "tplaylistpane.h"

#include <QApplication>

#include <chrono>
#include <cstdlib>
#include <iomanip>
#include <iostream>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::cerr << "usage: playlistbench DIR\n";
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    BenchPrompts prompts(argv[1]);
    TfrmMain frm(prompts);
    SetMainWindow(&frm);
    ProgressWindows windows;
    frm.show();

    TPlaylistPane& playlist = *frm.playlist();
    playlist.submAddDirClick();
    playlist.model()->Clear();

    const auto start = std::chrono::steady_clock::now();
    playlist.submAddDirClick();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int n = playlist.Count();
    std::cout << "added " << n << " files in " << std::fixed << std::setprecision(3) << seconds
              << " s: " << std::setprecision(0) << (seconds > 0 ? n / seconds : 0.0) << " files/s\n";
    SetMainWindow(nullptr);
    return 0;
}
