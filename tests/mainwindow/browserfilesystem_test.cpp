// The file browser on the roads beside the common one: a drive chosen in the
// drive box, a mount that does not answer, listings without "..", and
// folder reads that fail half-way.

#include "mainwindowfixture.h"

#include "folderlisting.h"
#include "tfilebrowserpane.h"
#include "tfrmmain.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>

#include <future>

#include <fcntl.h>
#include <unistd.h>

using namespace std::chrono_literals;
using Kind = ScriptedPrompts::Kind;

TEST_F(MainWindowTest, TheDriveBoxListsTheDriveChosenByMouseOrByKeyboard)
{
    for (const char* drive : {"first", "second", "third"}) {
        MakeDir(dir.file(drive));
        WriteFile(dir.file(drive) + "/in-" + drive + ".txt", "x");
    }
    TDriveBox* box = browser().driveBox();
    box->clear();
    for (const char* drive : {"first", "second", "third"})
        box->addItem(QString::fromLatin1(drive), QByteArray::fromStdString(dir.file(drive) + "/"));
    box->setCurrentIndex(0);
    ASSERT_TRUE(browser().ShowFolder(dir.file("first") + "/"));

    // By mouse: a click on the second entry of the open list.
    browser().OpenDriveBox();
    ASSERT_TRUE(box->IsPopupOpen());
    QAbstractItemView* list = box->view();
    const QRect second = list->visualRect(box->model()->index(1, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser().CurrentDir() == dir.file("second") + "/"; }, 2000));
    EXPECT_EQ(BrowserRowOf("in-second"), 1);

    // By keyboard in the open list: Down, then Return.
    browser().OpenDriveBox();
    ASSERT_TRUE(box->IsPopupOpen());
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser().CurrentDir() == dir.file("third") + "/"; }, 2000));

    // By keyboard in the closed box: Up chooses and lists at once.
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Up);
    EXPECT_EQ(browser().CurrentDir(), dir.file("second") + "/");
    EXPECT_TRUE(prompts.shown().empty());
}

TEST_F(MainWindowTest, AMountThatDoesNotAnswerIsGivenUpWithAMessage)
{
    MakeDir(dir.file("hung"));
    ASSERT_TRUE(browser().ShowFolder(dir.path() + "/"));
    const std::string before = browser().CurrentDir();
    const QString totalBefore = browser().labTotalBytes()->text();

    // Calls on the folder "hung" hang until the test lets them go, as those
    // on a network mount whose server is gone.
    std::promise<void> answer;
    const std::shared_future<void> answered = answer.get_future().share();
    TBrowserFileSystem slow;
    slow.ReadFolder = [answered](const std::string& folder, std::vector<XFileEntry>& entries, int& error) {
        if (folder.find("/hung/") != std::string::npos)
            answered.wait();
        return FolderListing::Read(folder, entries, error);
    };
    slow.Space = [answered](const std::string& path) {
        if (path.find("/hung/") != std::string::npos)
            answered.wait();
        return MountedVolumes::Space(path);
    };
    slow.timeout = 300ms;
    browser().SetFileSystem(slow);

    // The listing is given up: the error box names the folder, the previous
    // listing stays, and the window was held for the time-out only.
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(browser().ShowFolder(dir.file("hung") + "/"));
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(prompts.texts(Kind::Error),
              QStringList{QStringLiteral("Connection timed out\r\n") + QString::fromStdString(dir.file("hung") + "/")});
    EXPECT_EQ(browser().CurrentDir(), before);
    EXPECT_EQ(browser().labTotalBytes()->text(), totalBefore);

    // A folder that lists but whose disk figures do not come: they show as
    // not available.
    prompts.clearShown();
    slow.ReadFolder = &FolderListing::Read;
    browser().SetFileSystem(slow);
    clock.restart();
    EXPECT_TRUE(browser().ShowFolder(dir.file("hung") + "/"));
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(browser().labTotalBytes()->text(), QStringLiteral("not available"));
    EXPECT_TRUE(prompts.shown().empty());

    // The calls that hung end when the mount answers again.
    answer.set_value();
}

TEST_F(MainWindowTest, EveryFolderButTheRootGetsItsParentRowAndAFailedReadIsReported)
{
    // A file system that lists no ".." (some FUSE and network ones).
    TBrowserFileSystem withoutParent;
    withoutParent.ReadFolder = [](const std::string& folder, std::vector<XFileEntry>& entries, int& error) {
        const bool ok = FolderListing::Read(folder, entries, error);
        std::erase_if(entries, [](const XFileEntry& e) { return e.Name == ".."; });
        return ok;
    };
    browser().SetFileSystem(withoutParent);
    MakeDir(dir.file("sub"));
    WriteFile(dir.file("a.mp3"), "x");
    ASSERT_TRUE(browser().ShowFolder(dir.path() + "/"));
    EXPECT_EQ(BrowserCaptions(), (std::vector<std::string>{"..", "sub", "a"}));
    ASSERT_TRUE(browser().ShowFolder("/"));
    EXPECT_EQ(BrowserRowOf(".."), -1);

    // A read that fails half-way is an error, not a short listing.
    std::vector<XFileEntry> entries;
    int error = 0;
    const int fd = open(dir.path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    DIR* stream = fdopendir(fd);
    ASSERT_NE(stream, nullptr);
    EXPECT_FALSE(FolderListing::ReadStream(stream, false, entries, error));
    EXPECT_EQ(error, EBADF);
    EXPECT_TRUE(entries.empty());
    closedir(stream);
}
