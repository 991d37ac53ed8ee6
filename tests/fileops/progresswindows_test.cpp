#include "mainwindowregistry.h"
#include "progresswindows.h"
#include "testapplication.h"
#include "tfrmdeletedirprogress.h"
#include "tfrmprogress.h"
#include "tfrmwait.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>

namespace {

class ProgressWindowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        mainWindow = std::make_unique<QWidget>();
        mainWindow->resize(800, 600);
        mainWindow->show();
        SetMainWindow(mainWindow.get());
        windows = std::make_unique<ProgressWindows>();
    }
    void TearDown() override
    {
        windows.reset();
        SetMainWindow(nullptr);
    }

    std::unique_ptr<QWidget> mainWindow;
    std::unique_ptr<ProgressWindows> windows;
};

TEST_F(ProgressWindowsTest, ProgressWindowRefusesToCloseUntilCancelOrEnd)
{
    TfrmProgress& frm = windows->progress();
    EXPECT_EQ(frm.objectName(), "frmProgress");
    EXPECT_EQ(frm.sButton1->text(), "&Cancel");
    EXPECT_TRUE(frm.sButton1->isDefault());
    EXPECT_TRUE(frm.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(frm.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(frm.isVisible());

    ShowProgress(10, "Writing tags ...");
    EXPECT_TRUE(frm.isVisible());
    EXPECT_FALSE(frm.AllowClose());
    EXPECT_EQ(frm.lblDescription->text(), "Writing tags ...");
    EXPECT_TRUE(frm.lblDescription->font().bold());
    EXPECT_EQ(frm.sGauge1->maximum(), 10);
    EXPECT_EQ(frm.sGauge1->value(), 0);
    // The generic window leaves the main window enabled.
    EXPECT_TRUE(mainWindow->isEnabled());

    EXPECT_FALSE(frm.close());
    EXPECT_TRUE(frm.isVisible());
    EXPECT_FALSE(IsProgressCancelled());

    // Positions are held within 0..count.
    SetProgressPosition(5);
    EXPECT_EQ(frm.sGauge1->text(), "50%");
    SetProgressPosition(25);
    EXPECT_EQ(frm.sGauge1->value(), 10);
    EXPECT_EQ(frm.sGauge1->text(), "100%");
    SetProgressPosition(-3);
    EXPECT_EQ(frm.sGauge1->value(), 0);
    EXPECT_EQ(frm.sGauge1->text(), "0%");

    // Cancel hides it; the operation still calls CloseProgress.
    SetProgressPosition(4);
    frm.sButton1->click();
    EXPECT_TRUE(IsProgressCancelled());
    EXPECT_TRUE(frm.AllowClose());
    CloseProgress();
    EXPECT_FALSE(frm.isVisible());

    // A new run starts at 0 and may not close again.
    ShowProgress(3, "Removing tags ...");
    EXPECT_EQ(frm.sGauge1->value(), 0);
    EXPECT_FALSE(frm.AllowClose());
    EXPECT_FALSE(IsProgressCancelled());
    QTest::keyClick(&frm, Qt::Key_Escape);
    EXPECT_TRUE(IsProgressCancelled());
    CloseProgress();
}

TEST_F(ProgressWindowsTest, WaitWindowCancelKeepsItUpUntilEndWait)
{
    TfrmWait& frm = windows->wait();
    EXPECT_EQ(frm.windowTitle(), "Searching ...");
    EXPECT_EQ(frm.Label1->text(), "Current file/directory:");
    EXPECT_EQ(frm.bCancel->text(), "&Cancel");
    EXPECT_TRUE(frm.windowFlags() & Qt::Tool);

    BeginWait();
    EXPECT_TRUE(frm.isVisible());
    EXPECT_FALSE(mainWindow->isEnabled());
    EXPECT_FALSE(frm.AllowClose());
    EXPECT_FALSE(IsWaitCancelled());
    SetWaitPath("/music/\xff" "band/");
    EXPECT_TRUE(frm.lPath->text().startsWith("/music/"));
    EXPECT_FALSE(frm.close());
    EXPECT_TRUE(frm.isVisible());

    frm.bCancel->click();
    EXPECT_TRUE(IsWaitCancelled());
    EXPECT_TRUE(frm.isVisible());
    EXPECT_FALSE(mainWindow->isEnabled());
    EXPECT_FALSE(frm.close());

    EndWait();
    EXPECT_FALSE(frm.isVisible());
    EXPECT_TRUE(mainWindow->isEnabled());
    EXPECT_TRUE(frm.AllowClose());

    // Showing it again clears the flag; Esc is Cancel.
    BeginWait();
    EXPECT_FALSE(IsWaitCancelled());
    QTest::keyClick(&frm, Qt::Key_Escape);
    EXPECT_TRUE(IsWaitCancelled());
    EXPECT_TRUE(frm.isVisible());
    EndWait();
}

TEST_F(ProgressWindowsTest, DeletionWindowCancelAndStopKeepItUpUntilEnd)
{
    TfrmDeleteDirProgress& frm = windows->deletion();
    EXPECT_EQ(frm.windowTitle(), "Deleting directory");
    EXPECT_EQ(frm.lbl1->text(), "Removing directory:");
    EXPECT_EQ(frm.btnCancel->text(), "&Cancel");
    EXPECT_TRUE(frm.btnCancel->isDefault());

    StopDelete();
    BeginDeleteProgress();
    EXPECT_FALSE(IsDeleteStopped());
    EXPECT_TRUE(frm.isVisible());
    EXPECT_FALSE(mainWindow->isEnabled());
    SetDeletePath("/music/old/");
    EXPECT_EQ(frm.lblDirectoryName->text(), "/music/old/");
    EXPECT_FALSE(frm.close());

    frm.btnCancel->click();
    EXPECT_TRUE(IsDeleteStopped());
    EXPECT_TRUE(frm.isVisible());
    EXPECT_FALSE(mainWindow->isEnabled());

    EndDeleteProgress();
    EXPECT_FALSE(frm.isVisible());
    EXPECT_TRUE(mainWindow->isEnabled());
    EXPECT_TRUE(frm.AllowClose());
}

TEST_F(ProgressWindowsTest, ScopesUndoTheirBeginWhenAnExceptionEscapes)
{
    EXPECT_THROW(
        {
            ProgressWindows::WaitScope wait;
            EXPECT_FALSE(mainWindow->isEnabled());
            throw std::runtime_error("scan failed");
        },
        std::runtime_error);
    EXPECT_TRUE(mainWindow->isEnabled());
    EXPECT_FALSE(windows->wait().isVisible());
    EXPECT_TRUE(windows->wait().AllowClose());

    EXPECT_THROW(
        {
            ProgressWindows::DeleteScope deletion;
            throw std::runtime_error("delete failed");
        },
        std::runtime_error);
    EXPECT_TRUE(mainWindow->isEnabled());
    EXPECT_FALSE(windows->deletion().isVisible());

    EXPECT_THROW(
        {
            ProgressWindows::ProgressScope progress(5, "Working");
            throw std::runtime_error("write failed");
        },
        std::runtime_error);
    EXPECT_FALSE(windows->progress().isVisible());
    EXPECT_TRUE(windows->progress().AllowClose());
}

TEST_F(ProgressWindowsTest, EachWindowIsModalToTheMainWindowInFrontAndKeepsItsCancel)
{
    ASSERT_TRUE(QTest::qWaitForWindowActive(mainWindow.get()));
    const auto check = [&](QDialog& window, QPushButton& cancel, const std::function<void()>& begin,
                           const std::function<bool()>& cancelled, const std::function<void()>& end) {
        SCOPED_TRACE(window.objectName().toStdString());
        EXPECT_EQ(window.parentWidget(), mainWindow.get());
        EXPECT_EQ(window.windowModality(), Qt::WindowModal);
        EXPECT_FALSE(IsLongOperationRunning());
        begin();
        EXPECT_TRUE(IsLongOperationRunning());
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        EXPECT_TRUE(cancel.isEnabled()); // also when the main window is disabled
        // Esc is Cancel, wherever the focus is in the window.
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &window, Qt::Key_Escape);
        EXPECT_TRUE(cancelled());
        end();
        EXPECT_FALSE(IsLongOperationRunning());
        EXPECT_TRUE(mainWindow->isEnabled());
    };
    check(windows->progress(), *windows->progress().sButton1, [] { ShowProgress(3, "Removing tags ..."); },
          [] { return IsProgressCancelled(); }, [] { CloseProgress(); });
    check(windows->wait(), *windows->wait().bCancel, [] { BeginWait(); }, [] { return IsWaitCancelled(); },
          [] { EndWait(); });
    check(windows->deletion(), *windows->deletion().btnCancel, [] { BeginDeleteProgress(); },
          [] { return IsDeleteStopped(); }, [] { EndDeleteProgress(); });

    // Cancelling the running operation is what the main window does when it
    // is closed meanwhile.
    BeginWait();
    CancelLongOperation();
    EXPECT_TRUE(IsWaitCancelled());
    EndWait();

    // The windows go with a main window that is destroyed, and are made
    // again for the next one.
    mainWindow.reset();
    auto next = std::make_unique<QWidget>();
    SetMainWindow(next.get());
    EXPECT_EQ(windows->wait().parentWidget(), next.get());
    windows.reset();
}

TEST(ProgressWindowsFallbackTest, WindowsAreMadeOnFirstUseWhenTheProgramMadeNone)
{
    TestApplication();
    BeginDeleteProgress();
    EXPECT_TRUE(ProgressWindows::instance().deletion().isVisible());
    EndDeleteProgress();
    EXPECT_FALSE(ProgressWindows::instance().deletion().isVisible());
}

} // namespace
