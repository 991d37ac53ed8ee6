// editbench DIR: every .mp3 below DIR goes into the playlist of an offscreen
// main window, all rows are selected, and the tag editor's multi-file Update
// of one field, the ID3v2 artist, runs through the real dialog: the artist
// is typed into its field, the confirmation is answered OK and the files are
// written under the progress window. Only the Update is timed; compare it
// with `tagbench write DIR` over the same files.

#include "benchprompts.h"
#include "mp3walk.h"

#include "mainwindowregistry.h"
#include "progresswindows.h"
#include "tfrmmain.h"
#include "tfrmmp3tag.h"
#include "tplaylistmodel.h"
#include "tplaylistpane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>

#include <chrono>
#include <cstdlib>
#include <iomanip>
#include <iostream>

namespace {

// The offscreen platform activates windows through queued events.
bool WaitUntilActive(QWidget& window)
{
    QElapsedTimer clock;
    clock.start();
    while (QApplication::activeWindow() != &window && clock.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    return QApplication::activeWindow() == &window;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::cerr << "usage: editbench DIR\n";
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    BenchPrompts prompts(argv[1]);
    prompts.ConfirmQuestions();
    TfrmMain frm(prompts);
    SetMainWindow(&frm);
    ProgressWindows windows;
    frm.show();

    TPlaylistPane& playlist = *frm.playlist();
    {
        TPlaylistPane::SortingOff sorting(*playlist.model());
        for (const std::string& file : FindMp3Files(argv[1]))
            playlist.AddFileToPlaylist(file);
    }
    playlist.mnuSelectAll1Click();
    const int n = static_cast<int>(playlist.SelectedRows().size());
    if (n < 2) {
        std::cerr << "editbench needs at least two .mp3 files below " << argv[1] << "\n";
        return 1;
    }

    TfrmMp3Tag dialog(playlist, prompts, &frm);
    dialog.show();
    dialog.activateWindow();
    if (!WaitUntilActive(dialog)) {
        std::cerr << "the tag editor did not get the focus\n";
        return 1;
    }
    dialog.edtID3v2_Artist->setFocus(Qt::TabFocusReason);
    dialog.edtID3v2_Artist->setText(QStringLiteral("editbench artist"));
    dialog.FormMouseDown();

    const auto start = std::chrono::steady_clock::now();
    dialog.actUpdateExecute();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    SetMainWindow(nullptr);
    if (dialog.result() != QDialog::Accepted) {
        std::cerr << "the update did not complete\n";
        return 1;
    }
    std::cout << "updated " << n << " files in " << std::fixed << std::setprecision(3) << seconds << " s\n";
    return 0;
}
