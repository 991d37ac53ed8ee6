// The copy and move run and the delete command on real files, with the real
// windows offscreen and scripted answers.

#include "accessletters.h"
#include "filefixtures.h"
#include "mainwindowregistry.h"
#include "playlistdeletion.h"
#include "scriptedprompts.h"
#include "testapplication.h"
#include "tfileinfo.h"
#include "tfrmcopymoveconfirm.h"
#include "tfrmcopymoveprogress.h"
#include "tplaylistmodel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Kind = ScriptedPrompts::Kind;

class CopyMoveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        mainWindow = std::make_unique<QWidget>();
        mainWindow->show();
        SetMainWindow(mainWindow.get());
        chmod(dir.path().c_str(), 0755);
        MakeDir(src);
        MakeDir(dst);
    }
    void TearDown() override { SetMainWindow(nullptr); }

    // Files holding their own names, listed and selected.
    void AddFiles(const std::vector<std::string>& names)
    {
        for (const std::string& name : names) {
            WriteFile(src + name, name);
            rows.AddFile(src + name);
        }
        selection.select(QItemSelection(rows.index(0), rows.index(rows.Count() - 1)), QItemSelectionModel::Select);
    }
    std::vector<std::string> RowNames() const
    {
        std::vector<std::string> names;
        for (int r = 0; r < rows.Count(); ++r)
            names.push_back(rows.FileAt(r)->FileName());
        return names;
    }
    // `check` runs whenever the run lets events run, with its window.
    int Run(bool isMove, const std::string& dest, const std::function<void(TfrmCopyMoveProgress&)>& check = {})
    {
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* frm = qobject_cast<TfrmCopyMoveProgress*>(w); frm && check)
                    check(*frm);
            }
        });
        timer.start(0);
        return RunCopyMove(prompts, rows, selection, isMove, dest);
    }
    static QString Question(const std::string& path)
    {
        return QStringLiteral("File \"") + QString::fromStdString(path) + QStringLiteral("\" already exists\nOverride?");
    }

    TempDir dir;
    std::string src = dir.file("src/");
    std::string dst = dir.file("dst/");
    std::unique_ptr<QWidget> mainWindow;
    TPlaylistModel rows;
    QItemSelectionModel selection{&rows};
    ScriptedPrompts prompts;
};

TEST_F(CopyMoveTest, CopyAsksBeforeOverwritingAndKeepsYesToAllForTheRun)
{
    AddFiles({"a.mp3", "b.mp3", "c.mp3", "d.mp3", "\xe9t\xe9.mp3"});
    for (const char* name : {"b.mp3", "c.mp3", "d.mp3"})
        WriteFile(dst + name, "old");
    prompts.expect(Kind::Overwrite, PromptAnswer::No).expect(Kind::Overwrite, PromptAnswer::YesToAll);
    int checks = 0;
    int enabled = 0;
    int closed = 0;
    EXPECT_EQ(Run(false, dst, [&](TfrmCopyMoveProgress& frm) {
                  ++checks;
                  enabled += mainWindow->isEnabled() ? 1 : 0;
                  closed += frm.close() ? 1 : 0;
              }),
              4);
    EXPECT_EQ(prompts.texts(), (QStringList{Question(dst + "b.mp3"), Question(dst + "c.mp3")}));
    for (const char* name : {"a.mp3", "c.mp3", "d.mp3", "\xe9t\xe9.mp3"})
        EXPECT_EQ(ReadFile(dst + name), name);
    EXPECT_EQ(ReadFile(dst + "b.mp3"), "old");
    EXPECT_EQ(rows.Count(), 5);
    EXPECT_GT(checks, 0);
    EXPECT_EQ(enabled, 0);
    EXPECT_EQ(closed, 0);
    EXPECT_TRUE(mainWindow->isEnabled());
}

TEST_F(CopyMoveTest, NoToAllSkipsTheRestAndAMoveKeepsTheirRows)
{
    AddFiles({"a.mp3", "b.mp3", "c.mp3", "\xe9t\xe9.mp3"});
    WriteFile(dst + "b.mp3", "old");
    WriteFile(dst + "c.mp3", "old");
    prompts.expect(Kind::Overwrite, PromptAnswer::NoToAll);
    EXPECT_EQ(Run(true, dst), 2);
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"b.mp3", "c.mp3"}));
    EXPECT_EQ(ReadFile(dst + "a.mp3"), "a.mp3");
    EXPECT_EQ(ReadFile(dst + "\xe9t\xe9.mp3"), "\xe9t\xe9.mp3");
    EXPECT_FALSE(Exists(src + "a.mp3"));
    EXPECT_EQ(ReadFile(src + "c.mp3"), "c.mp3");
    EXPECT_EQ(ReadFile(dst + "c.mp3"), "old");
}

TEST_F(CopyMoveTest, MovingOrCopyingFilesOntoThemselvesLeavesThemIntact)
{
    AddFiles({"a.mp3", "b.mp3"});
    prompts.expect(Kind::Overwrite, PromptAnswer::No).expect(Kind::Overwrite, PromptAnswer::Yes);
    EXPECT_EQ(Run(true, src), 0);
    prompts.expect(Kind::Overwrite, PromptAnswer::YesToAll);
    EXPECT_EQ(Run(false, dir.file("dst/../src")), 0);
    EXPECT_EQ(prompts.texts(Kind::Error), (QStringList{"Error 22 : Invalid argument", "Error 22 : Invalid argument"}));
    EXPECT_EQ(ReadFile(src + "a.mp3"), "a.mp3");
    EXPECT_EQ(ReadFile(src + "b.mp3"), "b.mp3");
    EXPECT_EQ(rows.Count(), 2);
}

TEST_F(CopyMoveTest, AbortAndAMissingDestinationStopTheRun)
{
    AddFiles({"a.mp3", "b.mp3"});
    EXPECT_EQ(Run(false, dst + "missing"), 0);
    EXPECT_EQ(prompts.texts(), QStringList{"Error 2 : No such file or directory"});
    EXPECT_FALSE(Exists(dst + "missing"));

    WriteFile(dst + "a.mp3", "old");
    prompts.clearShown();
    prompts.expect(Kind::Overwrite, PromptAnswer::Abort);
    EXPECT_EQ(Run(true, dst), 0);
    EXPECT_EQ(prompts.count(Kind::Error), 0);
    EXPECT_FALSE(Exists(dst + "b.mp3"));
    EXPECT_EQ(rows.Count(), 2);
}

TEST_F(CopyMoveTest, CancelFinishesTheCurrentFileAndStops)
{
    std::vector<std::string> names;
    for (int i = 1; i <= 10; ++i)
        names.push_back(std::string("f").append(std::to_string(100 + i)).append(".mp3"));
    AddFiles(names);
    WriteFile(dst + "f105.mp3", "old");
    prompts.expect(Kind::Overwrite, PromptAnswer::Yes);
    // Cancel is pressed while the fifth file waits for its answer.
    Run(true, dst, [](TfrmCopyMoveProgress& frm) {
        if (frm.lblSource->toolTip().endsWith(QStringLiteral("f105.mp3")))
            frm.btnCancel->click();
    });
    EXPECT_EQ(RowNames(), (std::vector<std::string>(names.begin() + 5, names.end())));
    EXPECT_EQ(selection.selectedRows().size(), 5);
    EXPECT_EQ(ReadFile(dst + "f105.mp3"), "f105.mp3");
    EXPECT_FALSE(Exists(dst + "f106.mp3"));
}

TEST_F(CopyMoveTest, AMoveAcrossFileSystemsKeepsRowAndCopyWhenTheSourceStays)
{
    struct stat shm {};
    struct stat here {};
    if (stat("/dev/shm", &shm) != 0 || stat(dir.path().c_str(), &here) != 0 || shm.st_dev == here.st_dev
        || access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no writable /dev/shm on another file system than " << dir.path();
    char pattern[] = "/dev/shm/tunevault-test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string other = std::string(pattern) + "/";
    chmod(pattern, 0777);
    AddFiles({"a.mp3", "b.mp3"});
    // The sources' folder is read-only for the run: the first file is copied,
    // its source cannot be deleted, and the run ends there. (The child runs
    // the window hidden: painting after a fork would wait for the parent's
    // painting threads.)
    std::string report;
    RunWithoutWriteAccess(src, [&](std::string& out) {
        ScriptedPrompts child;
        TfrmCopyMoveProgress frm(child, rows, selection, true, other);
        frm.CopyMoveSelected();
        out = (child.texts().join(QLatin1Char('|')) + QStringLiteral("|%1").arg(rows.Count())).toStdString();
        return 0;
    }, &report);
    EXPECT_EQ(report, "Cannot remove file\nError:Permission denied|2");
    EXPECT_EQ(ReadFile(other + "a.mp3"), "a.mp3");
    EXPECT_FALSE(Exists(other + "b.mp3"));
    EXPECT_TRUE(Exists(src + "a.mp3"));

    // With the source deletable, the moved files' rows go.
    MakeDir(other + "sub");
    EXPECT_EQ(Run(true, other + "sub"), 2);
    EXPECT_EQ(rows.Count(), 0);
    EXPECT_EQ(ReadFile(other + "sub/b.mp3"), "b.mp3");
    EXPECT_FALSE(Exists(src + "b.mp3"));
    for (const char* name : {"a.mp3", "sub/a.mp3", "sub/b.mp3"})
        unlink((other + name).c_str());
    rmdir((other + "sub").c_str());
    rmdir(pattern);
}

TEST_F(CopyMoveTest, AFifoInTheSelectionIsNamedAndTheOtherFilesAreCopiedOrMoved)
{
    // The FIFO has a row as if it had been a song when it was listed.
    AddFiles({"a.mp3", "b.mp3"});
    const FifoHangGuard fifo(src + "fifo.mp3");
    rows.AddFile(src + "fifo.mp3");
    WriteFile(src + "c.mp3", "c.mp3");
    rows.AddFile(src + "c.mp3");
    selection.select(QItemSelection(rows.index(0), rows.index(rows.Count() - 1)), QItemSelectionModel::Select);
    const auto named = [&](const char* verb) {
        return QStringLiteral("1 file(s) could not be %1:\n").arg(QLatin1String(verb))
               + QString::fromStdString(src + "fifo.mp3") + QStringLiteral(" - not a regular file");
    };

    EXPECT_EQ(Run(false, dst), 3);
    EXPECT_EQ(prompts.texts(), QStringList{named("copied")});
    EXPECT_EQ(Listing(dst), (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3"}));
    EXPECT_EQ(rows.Count(), 4);

    // A move refuses it alike, though a rename would not open it; it keeps
    // its row, the moved files' rows go.
    prompts.clearShown();
    MakeDir(dst + "sub");
    EXPECT_EQ(Run(true, dst + "sub"), 3);
    EXPECT_EQ(prompts.texts(), QStringList{named("moved")});
    EXPECT_EQ(Listing(dst + "sub"), (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3"}));
    EXPECT_EQ(RowNames(), std::vector<std::string>{"fifo.mp3"});
    EXPECT_EQ(Listing(src), std::vector<std::string>{"fifo.mp3"});
    EXPECT_FALSE(fifo.Rescued());
}

TEST_F(CopyMoveTest, FilesThatVanishOrBecomeFoldersMeanwhileAreNamedAndKeepTheirRows)
{
    AddFiles({"a.mp3", "b.mp3", "c.mp3", "d.mp3"});
    // Another process, while the first file is being moved.
    bool changed = false;
    EXPECT_EQ(Run(true, dst, [&](TfrmCopyMoveProgress& frm) {
                  if (changed || !frm.lblSource->toolTip().endsWith(QStringLiteral("a.mp3")))
                      return;
                  changed = true;
                  unlink((src + "b.mp3").c_str());
                  unlink((src + "c.mp3").c_str());
                  MakeDir(src + "c.mp3");
              }),
              2);
    ASSERT_TRUE(changed);
    EXPECT_EQ(prompts.texts(),
              QStringList{QStringLiteral("2 file(s) could not be moved:\n") + QString::fromStdString(src)
                          + QStringLiteral("b.mp3 - No such file or directory\n") + QString::fromStdString(src)
                          + QStringLiteral("c.mp3 - Is a directory")});
    EXPECT_EQ(Listing(dst), (std::vector<std::string>{"a.mp3", "d.mp3"}));
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"b.mp3", "c.mp3"}));
}

TEST_F(CopyMoveTest, DeleteKeepsTheRowsOfFilesItCouldNotDelete)
{
    MakeDir(dir.file("locked"));
    WriteFile(dir.file("locked/b.mp3"), "b");
    rows.AddFile(dir.file("locked/b.mp3"));
    AddFiles({"a.mp3", "c.mp3", "gone.mp3"});
    unlink((src + "gone.mp3").c_str());

    prompts.expect(Kind::YesNo, PromptAnswer::No);
    DeleteSelectedPlaylistFiles(prompts, rows, selection, [](const std::string&) {});
    EXPECT_EQ(prompts.texts(), QStringList{"Warning: You are going to delete 4 files. Are you sure?"});
    EXPECT_EQ(rows.Count(), 4);

    std::string report;
    chmod(src.c_str(), 0777); // root's child runs as "nobody"
    RunWithoutWriteAccess(dir.file("locked"), [&](std::string& out) {
        ScriptedPrompts child;
        child.expect(Kind::YesNo, PromptAnswer::Yes);
        DeleteSelectedPlaylistFiles(child, rows, selection, [&](const std::string& path) { out += path + "|"; });
        out += child.texts(Kind::Error).join(QString()).toStdString() + "|";
        for (const std::string& name : RowNames())
            out += name;
        return 0;
    }, &report);
    EXPECT_EQ(report, src + "a.mp3|" + dir.file("locked/b.mp3") + "|" + src + "c.mp3|" + src + "gone.mp3|"
                          + "1 file(s) could not be deleted:\n" + dir.file("locked/b.mp3")
                          + " - Error 13 : Permission denied|b.mp3");
    EXPECT_FALSE(Exists(src + "a.mp3"));
    EXPECT_TRUE(Exists(dir.file("locked/b.mp3")));
}

TEST_F(CopyMoveTest, TheConfirmationTakesHomeRelativeAndPickedFolders)
{
    const std::string home = qEnvironmentVariable("HOME").toStdString();
    TfrmCopyMoveConfirm frm(prompts, true, 3, src);
    EXPECT_EQ(frm.windowTitle(), QStringLiteral("Move files confirmation"));
    EXPECT_EQ(frm.lblCopyNFilesTo->text(), QStringLiteral("Move 3 file(s) &to ..."));
    EXPECT_EQ(AccessLetterFaults(frm), AccessFaults());
    EXPECT_EQ(frm.lblCopyNFilesTo->buddy(), frm.edtDestPath);
    EXPECT_EQ(frm.DestPath(), src);
    frm.edtDestPath->setText(QStringLiteral("  \t "));
    frm.btnOKClick();
    EXPECT_EQ(frm.result(), QDialog::Rejected);
    for (const auto& [typed, expected] : std::vector<std::pair<const char*, std::string>>{
             {" ~ ", home + "/"}, {"~/Music", home + "/Music/"}, {"sub/x", src + "sub/x/"}, {"/abs/", "/abs/"}}) {
        frm.edtDestPath->setText(QString::fromUtf8(typed));
        EXPECT_EQ(frm.DestPath(), expected) << typed;
    }
    // A folder that does not exist is named; it is made only when the user
    // agrees, else the dialog stays open. A file in the way is refused.
    const QString missing = QString::fromStdString(dst + "new/deeper");
    frm.edtDestPath->setText(QStringLiteral(" ") + missing + QStringLiteral(" "));
    prompts.expect(Kind::YesNo, PromptAnswer::No);
    frm.btnOKClick();
    EXPECT_EQ(frm.result(), QDialog::Rejected);
    EXPECT_EQ(prompts.texts(Kind::YesNo).back(),
              QStringLiteral("The folder \"") + missing + QStringLiteral("/\" does not exist.\nCreate it?"));
    EXPECT_FALSE(Exists(dst + "new"));
    WriteFile(dst + "file", "x");
    frm.edtDestPath->setText(QString::fromStdString(dst + "file"));
    frm.btnOKClick();
    EXPECT_EQ(prompts.texts(Kind::Error).back(), QString::fromStdString("\"" + dst + "file/\" is not a folder."));
    EXPECT_EQ(frm.result(), QDialog::Rejected);
    frm.edtDestPath->setText(missing);
    prompts.expect(Kind::YesNo, PromptAnswer::Yes);
    frm.btnOKClick();
    EXPECT_EQ(frm.result(), QDialog::Accepted);
    EXPECT_TRUE(Exists(dst + "new/deeper"));
    // Enter with the completer's list up and nothing picked in it is OK.
    frm.setResult(QDialog::Rejected);
    frm.edtDestPath->setText(QString::fromStdString(dst + "new"));
    frm.edtDestPath->completer()->complete();
    QTest::keyClick(frm.edtDestPath->completer()->popup(), Qt::Key_Return);
    EXPECT_EQ(frm.result(), QDialog::Accepted);
    // A picked folder whose name is not valid UTF-8 keeps its bytes.
    prompts.expectFolder(dst + "\xe9t\xe9");
    frm.btnBrowse->click();
    EXPECT_EQ(frm.DestPath(), dst + "\xe9t\xe9/");
}

} // namespace
