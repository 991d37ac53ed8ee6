// browserbench DIR: ShowFolder on DIR in an offscreen main window (listing,
// browser order, rows). One untimed run warms the cache.

#include "benchprompts.h"

#include "mainwindowregistry.h"
#include "tfilebrowserpane.h"
#include "tfilesmodel.h"
#include "tfrmmain.h"

#include <QApplication>

#include <chrono>
#include <cstdlib>
#include <iomanip>
#include <iostream>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::cerr << "usage: browserbench DIR\n";
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    BenchPrompts prompts(argv[1]);
    TfrmMain frm(prompts);
    SetMainWindow(&frm);
    frm.show();

    std::string folder = argv[1];
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    TFileBrowserPane& browser = *frm.browser();
    if (!browser.ShowFolder(folder))
        return 1;
    browser.ShowFolder("/");

    const auto start = std::chrono::steady_clock::now();
    browser.ShowFolder(folder);
    QApplication::processEvents(); // the list is drawn once
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << "listed " << browser.filesModel()->Count() << " entries in " << std::fixed
              << std::setprecision(3) << seconds << " s\n";
    SetMainWindow(nullptr);
    return 0;
}
