// copybench copy|move SRC DEST [--answer yes|no|yesall|noall|abort]
//
// Every .mp3 below SRC goes into the playlist of an offscreen main window (as
// "Add directory ..." adds it), all rows are selected, and the copy or move
// run takes them into DEST as the commands do after their confirmation. The
// overwrite question gets the given answer (Abort when none is given). Only
// the run is timed. The last line is "copied N files in S s" or "moved N files
// in S s", N counting the files copied or moved (not the skipped ones); the
// exit code is 1 when the run stopped on an error or an Abort.

#include "benchprompts.h"

#include "mainwindowregistry.h"
#include "progresswindows.h"
#include "tfrmcopymoveprogress.h"
#include "tfrmmain.h"
#include "tplaylistpane.h"
#include "tsongslistview.h"

#include <QApplication>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <map>
#include <string>

namespace {

int Usage()
{
    std::cerr << "usage: copybench copy|move SRC DEST [--answer yes|no|yesall|noall|abort]\n";
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 4 && argc != 6)
        return Usage();
    const std::string mode = argv[1];
    if (mode != "copy" && mode != "move")
        return Usage();
    const std::map<std::string, PromptAnswer> answers = {
        {"yes", PromptAnswer::Yes},         {"no", PromptAnswer::No},       {"yesall", PromptAnswer::YesToAll},
        {"noall", PromptAnswer::NoToAll}, {"abort", PromptAnswer::Abort},
    };
    PromptAnswer answer = PromptAnswer::Abort;
    if (argc == 6) {
        const auto it = answers.find(argv[5]);
        if (std::strcmp(argv[4], "--answer") != 0 || it == answers.end())
            return Usage();
        answer = it->second;
    }

    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    BenchPrompts prompts(argv[2], answer);
    TfrmMain frm(prompts);
    SetMainWindow(&frm);
    ProgressWindows windows;
    frm.show();

    TPlaylistPane& playlist = *frm.playlist();
    playlist.submAddDirClick();
    playlist.mnuSelectAll1Click();

    const bool isMove = mode == "move";
    const auto start = std::chrono::steady_clock::now();
    const int transferred = RunCopyMove(prompts, *playlist.model(), *playlist.songsListView()->selectionModel(), isMove,
                                 argv[3]);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const bool aborted = answer == PromptAnswer::Abort && prompts.overwriteQuestions() > 0;
    if (aborted)
        std::cerr << "stopped: the overwrite question was answered Abort\n";
    std::cout << (isMove ? "moved " : "copied ") << transferred << " files in " << std::fixed << std::setprecision(3)
              << seconds << " s\n";
    SetMainWindow(nullptr);
    return prompts.errors() > 0 || aborted ? 1 : 0;
}
