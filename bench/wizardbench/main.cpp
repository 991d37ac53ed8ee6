// wizardbench preview|settags DIR: every .mp3 below DIR goes into the
// playlist of an offscreen main window, and the real wizard code runs over it.
//
//  preview  the rename wizard's Next from its settings page, which reads both
//           tags of every file and builds the preview; one untimed pass first
//           warms the page cache, as `tagbench read` does. Last line:
//           "previewed N files in S s".
//  settags  the tag setup wizard's "Go !" with both tag versions and every
//           row: artist and title (the playlist captions split at their
//           hyphen) written into both tags of every file, as `tagbench write`
//           writes both tags. Last line: "set tags of N files in S s".

#include "benchprompts.h"
#include "mp3walk.h"

#include "mainwindowregistry.h"
#include "playlistrows.h"
#include "tbatchwizard.h"
#include "tfrmbatchrename.h"
#include "tfrmbatchtagsetter.h"
#include "tfrmmain.h"
#include "tplaylistpane.h"
#include "tpreviewmodel.h"
#include "tvicons.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <string>

namespace {

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Report(const char* what, int files, double seconds)
{
    std::cout << what << ' ' << files << " files in " << std::fixed << std::setprecision(3) << seconds << " s"
              << std::endl;
}

int Preview(PlaylistRows& playlist, Prompts& prompts)
{
    TfrmBatchRename wizard(playlist, prompts, TvIcons::StateImages());
    wizard.show();
    wizard.actNext->trigger(); // to the settings
    wizard.actNext->trigger(); // untimed preview
    wizard.btnBack->click();
    const auto start = std::chrono::steady_clock::now();
    wizard.actNext->trigger();
    const double seconds = Seconds(start);
    if (wizard.CurrentPage() != TBatchWizard::PreviewPage) {
        std::cerr << "no preview was built\n";
        return 1;
    }
    Report("previewed", wizard.Preview()->Count(), seconds);
    return 0;
}

int SetTags(PlaylistRows& playlist, Prompts& prompts)
{
    TfrmBatchTagSetter wizard(playlist, prompts);
    wizard.show();
    wizard.actNext->trigger();
    wizard.cbSetV1->setChecked(true);
    wizard.cbSetV2->setChecked(true);
    wizard.actNext->trigger();
    if (wizard.CurrentPage() != TBatchWizard::PreviewPage) {
        std::cerr << "no caption could be split\n";
        return 1;
    }
    const int files = wizard.Preview()->CheckedCount();
    const auto start = std::chrono::steady_clock::now();
    wizard.actNext->trigger();
    const double seconds = Seconds(start);
    Report("set tags of", files, seconds);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    const bool preview = argc == 3 && std::strcmp(argv[1], "preview") == 0;
    const bool settags = argc == 3 && std::strcmp(argv[1], "settags") == 0;
    if (!preview && !settags) {
        std::cerr << "usage: wizardbench preview|settags DIR\n";
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    BenchPrompts prompts(argv[2]);
    TfrmMain frm(prompts);
    SetMainWindow(&frm);
    frm.show();

    TPlaylistPane& playlist = *frm.playlist();
    for (const std::string& file : FindMp3Files(argv[2]))
        playlist.AddFileToPlaylist(file);
    std::cout << "playlist of " << playlist.Count() << " files\n";

    const int status = preview ? Preview(playlist, prompts) : SetTags(playlist, prompts);
    SetMainWindow(nullptr);
    return status;
}
