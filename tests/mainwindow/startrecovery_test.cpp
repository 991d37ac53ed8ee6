// The start of the program finishes saves that an earlier run left
// interrupted, and names the files once.
#include "filefixtures.h"
#include "mainwindowfixture.h"

#include "changerecord.h"
#include "filesave.h"
#include "savejournal.h"
#include "tfrmmain.h"
#include "tmp3tagv2.h"

#include <sys/wait.h>
#include <unistd.h>

TEST_F(MainWindowTest, InterruptedSavesAreFinishedAndNamedOnceAtStart)
{
    const std::string journal = dir.file("journal");
    const std::string song = dir.file("song.mp3");
    WriteFile(song, AudioBytes(20000));
    SaveJournal::SetProcessFolder(dir.file("setup-journal"));
    TagOptions roomy;
    roomy.padding = 2048;
    Tmp3TagV2 tag(roomy);
    tag.SetTitle("Old");
    ASSERT_TRUE(tag.SaveToFile(song));
    const std::string before = ReadFile(song);

    // A run of the program that died right after its journal recorded the
    // new title, before it wrote it.
    const pid_t pid = ::fork();
    if (pid == 0) {
        SaveJournal::SetProcessFolder(journal);
        SetSaveStepHook([](SaveStep step, int, const ChangeRecord&) {
            if (step == SaveStep::Recorded)
                ::_exit(0);
        });
        Tmp3TagV2 next;
        next.LoadFromFile(song);
        next.SetTitle("New");
        next.SaveToFile(song);
        ::_exit(3);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    SaveJournal::SetProcessFolder(journal);
    frm->RecoverInterruptedSaves();
    ASSERT_EQ(prompts.shown().size(), 1u);
    EXPECT_EQ(prompts.shown()[0].title, QStringLiteral("Interrupted saves"));
    EXPECT_TRUE(prompts.shown()[0].text.contains(QString::fromStdString(song))) << prompts.shown()[0].text.toStdString();
    Tmp3TagV2 read;
    ASSERT_TRUE(read.LoadFromFile(song));
    EXPECT_EQ(read.Title(), "New");
    EXPECT_EQ(ReadFile(song).size(), before.size());
    // Told once: nothing is left to finish at the next start.
    frm->RecoverInterruptedSaves();
    EXPECT_EQ(prompts.shown().size(), 1u);
    SaveJournal::SetProcessFolder({});
}

TEST_F(MainWindowTest, ASaveJournalThatIsNotADatabaseIsKeptAsideAndNamedAtStart)
{
    const std::string folder = dir.file("damaged-journal");
    MakeDir(folder);
    const std::string garbage(8192, 'x');
    WriteFile(folder + "/journal.sqlite", garbage);
    SaveJournal::SetProcessFolder(folder);
    frm->RecoverInterruptedSaves();
    ASSERT_EQ(prompts.shown().size(), 1u);
    EXPECT_TRUE(prompts.shown()[0].text.contains(QString::fromStdString(folder + "/journal.sqlite.damaged")))
        << prompts.shown()[0].text.toStdString();
    EXPECT_TRUE(ReadFile(folder + "/journal.sqlite.damaged") == garbage);
    // Tags can be saved again, through the new journal.
    const std::string song = dir.file("song.mp3");
    WriteFile(song, AudioBytes(20000));
    Tmp3TagV2 tag;
    tag.SetTitle("Saved");
    EXPECT_TRUE(tag.SaveToFile(song)) << tag.LastError();
    SaveJournal::SetProcessFolder({});
}
