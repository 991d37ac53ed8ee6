// The player controls of the main window on the fake player and mixer: the
// playing mark, the buttons, the seek gauge, the arrow keys, the volume panel
// and the idle-time enabling in every state.

#include "playercontrolsfixture.h"

#include <QAction>
#include <QSlider>
#include <QToolButton>

#include <algorithm>

TEST_F(PlayerControlsTest, DoubleClickEnterAndPlayFileMoveTheMark)
{
    AddSongs(3);
    Select({0});
    controls()->songsListViewDblClick();
    EXPECT_EQ(player().CurrentSongFile(), paths[0]);
    EXPECT_EQ(Marked(), std::vector<int>{0});

    // A real double click on another row stops the song and moves the mark.
    Select({1});
    const QRect row1 = playlist().songsListView()->visualRect(model().index(1));
    QTest::mouseClick(playlist().songsListView()->viewport(), Qt::LeftButton, {}, row1.center());
    QTest::mouseDClick(playlist().songsListView()->viewport(), Qt::LeftButton, {}, row1.center());
    EXPECT_EQ(player().CurrentSongFile(), paths[1]);
    EXPECT_EQ(Marked(), std::vector<int>{1});
    EXPECT_EQ(std::count(media->commands.begin(), media->commands.end(), "close"), 1);

    // Enter on the list, and the keypad's Enter alike.
    Select({2});
    playlist().songsListView()->setFocus();
    QTest::keyClick(playlist().songsListView(), Qt::Key_Return);
    EXPECT_EQ(player().CurrentSongFile(), paths[2]);
    EXPECT_EQ(Marked(), std::vector<int>{2});
    Select({0});
    QTest::keyClick(playlist().songsListView(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(player().CurrentSongFile(), paths[0]);
    EXPECT_EQ(Marked(), std::vector<int>{0});
    Select({2});
    QTest::keyClick(playlist().songsListView(), Qt::Key_Return);

    // Two rows selected: nothing happens.
    Select({0, 1});
    const std::size_t commands = media->commands.size();
    controls()->songsListViewDblClick();
    playlist().PlayFile1->trigger();
    EXPECT_EQ(media->commands.size(), commands);
    EXPECT_EQ(Marked(), std::vector<int>{2});

    // A file that cannot be opened: no row stays marked, the player is idle
    // (why it failed goes to the status line, not to a message box).
    media->unopenable.insert(paths[0]);
    Select({0});
    controls()->songsListViewDblClick();
    EXPECT_TRUE(Marked().empty());
    EXPECT_FALSE(player().IsPlayerActive());
    EXPECT_EQ(Enabling(), (std::vector<bool>{true, false, false, false}));
    EXPECT_TRUE(prompts.shown().empty());
}

TEST_F(PlayerControlsTest, StripButtonsShowTheirGlyphWithTheCaptionAsTooltip)
{
    const std::pair<QToolButton*, const char*> buttons[] = {
        {strip().butPlay(), "Play"}, {strip().butPause(), "Pause"}, {strip().butStop(), "Stop"},
        {strip().butVolume(), "Volume"}};
    for (const auto& [button, caption] : buttons) {
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonIconOnly) << caption;
        EXPECT_FALSE(button->icon().isNull()) << caption;
        EXPECT_EQ(button->toolTip(), QString::fromLatin1(caption));
        // Only the glyph takes room: the button is no wider than its icon.
        EXPECT_LT(button->sizeHint().width(), button->iconSize().width() + 16) << caption;
    }
}

TEST_F(PlayerControlsTest, PlayStartsWithoutMarkingAndResumesWhenPaused)
{
    AddSongs(3);
    Select({1});
    controls()->playActionUpdate();
    controls()->playAction()->trigger();
    EXPECT_EQ(player().CurrentSongFile(), paths[1]);
    EXPECT_TRUE(Marked().empty());

    Idle();
    QTest::mouseClick(strip().butPause(), Qt::LeftButton);
    EXPECT_TRUE(player().IsPlayerPaused());
    // Play while paused resumes, whatever is selected.
    Select({0, 2});
    EXPECT_EQ(Enabling(), (std::vector<bool>{true, false, true, true}));
    Idle();
    QTest::mouseClick(strip().butPlay(), Qt::LeftButton);
    EXPECT_FALSE(player().IsPlayerPaused());
    EXPECT_EQ(player().CurrentSongFile(), paths[1]);
    EXPECT_EQ(media->commands.back(), "resume");

    // Stop clears every mark; the next idle-time update disables the gauge at 0.
    model().SetChecked(0, true);
    model().SetChecked(2, true);
    gauge().setValue(50);
    Idle();
    QTest::mouseClick(strip().butStop(), Qt::LeftButton);
    EXPECT_FALSE(player().IsPlayerActive());
    EXPECT_TRUE(Marked().empty());
    EXPECT_EQ(Enabling(), (std::vector<bool>{false, false, false, false}));
    EXPECT_EQ(gauge().value(), 0);
}

TEST_F(PlayerControlsTest, EnablingFollowsEveryStateOfThePlayer)
{
    // Empty playlist: the jump-to-file commands are off too.
    EXPECT_EQ(Enabling(), (std::vector<bool>{false, false, false, false}));
    EXPECT_FALSE(frm->btntbSearch->isEnabled());
    EXPECT_FALSE(frm->mnuSearchItem->isEnabled());

    AddSongs(2);
    EXPECT_TRUE(frm->btntbSearch->isEnabled());
    Select({});
    EXPECT_EQ(Enabling(), (std::vector<bool>{false, false, false, false}));   // idle, no row
    Select({0, 1});
    EXPECT_EQ(Enabling(), (std::vector<bool>{false, false, false, false}));   // idle, two rows
    Select({0});
    EXPECT_EQ(Enabling(), (std::vector<bool>{true, false, false, false}));    // idle, one row
    controls()->songsListViewDblClick();
    EXPECT_EQ(Enabling(), (std::vector<bool>{false, true, true, true}));      // playing
    controls()->butPauseClick();
    EXPECT_EQ(Enabling(), (std::vector<bool>{true, false, true, true}));      // paused
    controls()->playActionExecute();
    // The end of the song changes nothing: still playing.
    media->playing = false;
    media->position = media->songLength;
    EXPECT_EQ(Enabling(), (std::vector<bool>{false, true, true, true}));
    controls()->butStopClick();
    EXPECT_EQ(Enabling(), (std::vector<bool>{true, false, false, false}));

    // The update also runs by itself when the application goes idle.
    controls()->songsListViewDblClick();
    EXPECT_FALSE(strip().butStop()->isEnabled());
    Idle();
    EXPECT_TRUE(strip().butStop()->isEnabled());
    EXPECT_FALSE(controls()->playAction()->isEnabled());
}

TEST_F(PlayerControlsTest, GaugeFollowsThePositionAndSeeksByPressAndDrag)
{
    AddSongs(1);
    Select({0});
    media->songLength = 200000;
    controls()->songsListViewDblClick();
    controls()->playActionUpdate();
    media->position = 50000;
    QTest::qWait(50);  // the poller's first refresh
    EXPECT_EQ(gauge().maximum(), 200000);
    EXPECT_EQ(gauge().value(), 50000);

    // A press while paused seeks to the point and plays from there.
    controls()->butPauseClick();
    const int span = gauge().width() - 1;
    const int x = span / 4;
    const auto expected = static_cast<std::int64_t>(200000.0 * x / span);
    QTest::mousePress(&gauge(), Qt::LeftButton, {}, QPoint(x, 3));
    EXPECT_TRUE(controls()->isDragging());
    EXPECT_EQ(media->commands.end()[-2], "seek " + std::to_string(expected));
    EXPECT_EQ(media->commands.back(), "play");
    EXPECT_FALSE(player().IsPlayerPaused());
    EXPECT_EQ(gauge().value(), expected);
    EXPECT_EQ(QApplication::focusWidget(), playlist().songsListView());

    // Dragging past the end asks for a target after the song: refused, the
    // song plays on from where it was.
    QTest::mouseMove(&gauge(), QPoint(span + 40, 3));
    QMouseEvent move(QEvent::MouseMove, QPointF(span + 40, 3), gauge().mapToGlobal(QPointF(span + 40, 3)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&gauge(), &move);
    EXPECT_EQ(media->position, expected);
    EXPECT_TRUE(media->playing);
    QTest::mouseRelease(&gauge(), Qt::LeftButton, {}, QPoint(span + 40, 3));
    EXPECT_FALSE(controls()->isDragging());

    // A move after the release seeks nothing.
    const std::size_t commands = media->commands.size();
    QMouseEvent idleMove(QEvent::MouseMove, QPointF(5, 3), gauge().mapToGlobal(QPointF(5, 3)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&gauge(), &idleMove);
    EXPECT_EQ(media->commands.size(), commands);

    // A gauge one pixel wide has no scale: a press seeks nothing.
    gauge().setFixedWidth(1);
    QApplication::processEvents();
    ASSERT_EQ(gauge().width(), 1);
    QTest::mousePress(&gauge(), Qt::LeftButton, {}, QPoint(0, 3));
    QTest::mouseRelease(&gauge(), Qt::LeftButton, {}, QPoint(0, 3));
    EXPECT_EQ(media->commands.size(), commands);

    // Idle: the gauge is disabled and a press on it does nothing.
    controls()->butStopClick();
    controls()->playActionUpdate();
    QTest::mousePress(&gauge(), Qt::LeftButton, {}, QPoint(x, 3));
    EXPECT_FALSE(controls()->isDragging());
    EXPECT_EQ(media->commands.size(), commands + 1);  // the close
}

TEST_F(PlayerControlsTest, ArrowKeysSeekFiveSecondsAndRefusedTargetsPlayOn)
{
    AddSongs(1);
    Select({0});
    media->songLength = 60000;
    controls()->songsListViewDblClick();
    media->position = 20000;
    playlist().songsListView()->setFocus();

    QTest::keyClick(playlist().songsListView(), Qt::Key_Right);
    EXPECT_EQ(media->commands.end()[-2], "seek 25000");
    EXPECT_EQ(media->commands.back(), "play");
    EXPECT_EQ(gauge().value(), 25000);
    QTest::keyClick(playlist().songsListView(), Qt::Key_Left);
    EXPECT_EQ(media->position, 20000u);

    // Within the first five seconds, paused: refused, and the song resumes.
    media->position = 3000;
    controls()->butPauseClick();
    QTest::keyClick(playlist().songsListView(), Qt::Key_Left);
    EXPECT_EQ(media->commands.end()[-2], "seek -2000");
    EXPECT_EQ(media->position, 3000u);
    EXPECT_FALSE(player().IsPlayerPaused());
    EXPECT_TRUE(media->playing);

    // With a modifier the arrows do not seek.
    const std::size_t commands = media->commands.size();
    QTest::keyClick(playlist().songsListView(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(playlist().songsListView(), Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(media->commands.size(), commands);
}

TEST_F(PlayerControlsTest, VolumeBarsFollowTheMixerAndWriteEachValueOnce)
{
    QSlider* bar1 = playlist().pVolumeControl()->VolumeBar1();
    QSlider* bar2 = playlist().pVolumeControl()->VolumeBar2();
    ASSERT_NE(controls()->VolumeControl(), nullptr);
    // The start-up notices set both bars; the top is full volume.
    EXPECT_EQ(bar1->value(), 65535 - 40000);
    EXPECT_EQ(bar2->value(), 65535 - 50000);
    EXPECT_TRUE(mixer->writes.empty());

    // Another program's changes; a notice for the mute switch moves neither.
    mixer->externalChange(FakeMixerState::MasterControl, 1000);
    mixer->externalChange(FakeMixerState::WaveControl, 2000);
    mixer->externalChange(FakeMixerState::MuteControl, 1);
    QApplication::processEvents();
    EXPECT_EQ(bar1->value(), 64535);
    EXPECT_EQ(bar2->value(), 63535);
    EXPECT_TRUE(mixer->writes.empty());

    // Dragging writes each value once and is not pulled back.
    for (int position : {60000, 50000, 40000})
        bar1->setValue(position);
    bar2->setValue(100);
    QApplication::processEvents();
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> written{{FakeMixerState::MasterControl, 5535},
                                                                       {FakeMixerState::MasterControl, 15535},
                                                                       {FakeMixerState::MasterControl, 25535},
                                                                       {FakeMixerState::WaveControl, 65435}};
    EXPECT_EQ(mixer->writes, written);
    EXPECT_EQ(bar1->value(), 40000);
    EXPECT_EQ(bar2->value(), 100);

    // A failed write is shown; the panel and the flags stay usable.
    mixer->writeFails = true;
    bar1->setValue(30000);
    EXPECT_EQ(prompts.texts(ScriptedPrompts::Kind::Error),
              QStringList{QStringLiteral("volumeControl error\r\nConnection terminated")});
    EXPECT_FALSE(controls()->VolumeControl()->isUserChanging());
    mixer->writeFails = false;
    bar1->setValue(20000);
    EXPECT_EQ(mixer->writes.back(), std::make_pair(FakeMixerState::MasterControl, std::uint32_t{45535}));
}

TEST_F(PlayerControlsTest, NoMixerShowsTheErrorOnceAndTheBarsChangeNothing)
{
    frm.reset();
    mixer->openFails = true;
    frm = std::make_unique<TfrmMain>(prompts);
    frm->CreatePlayerControls(std::make_unique<FakeMediaBackend>(media),
                              [this] { return std::make_unique<FakeMixerBackend>(mixer); });
    EXPECT_EQ(prompts.texts(ScriptedPrompts::Kind::Error),
              QStringList{QStringLiteral("volumeControl error\r\nConnection refused")});
    EXPECT_EQ(controls()->VolumeControl(), nullptr);
    playlist().pVolumeControl()->VolumeBar1()->setValue(1234);
    QApplication::processEvents();
    EXPECT_TRUE(mixer->writes.empty());
    EXPECT_EQ(prompts.count(ScriptedPrompts::Kind::Error), 1);

    // The player works without it.
    AddSongs(1);
    Select({0});
    controls()->songsListViewDblClick();
    EXPECT_TRUE(player().IsPlayerActive());
}

TEST_F(PlayerControlsTest, VolumePanelOpensClosesAndHidesOnTheListedControls)
{
    TVolumePopup* panel = playlist().pVolumeControl();
    EXPECT_FALSE(panel->isVisible());
    QTest::mouseClick(strip().butVolume(), Qt::LeftButton);
    EXPECT_TRUE(panel->isVisible());
    QTest::mouseClick(strip().butVolume(), Qt::LeftButton);
    EXPECT_FALSE(panel->isVisible());

    // Presses on the gauge, the Volume button and the panel do not hide it.
    // The gauge is pressed while a song plays, so that it is enabled and the
    // press really reaches it (it seeks).
    AddSongs(1);
    Select({0});
    controls()->songsListViewDblClick();
    controls()->playActionUpdate();
    ASSERT_TRUE(gauge().isEnabled());
    playlist().songsListView()->setFocus();
    panel->show();
    const std::size_t commands = media->commands.size();
    QTest::mousePress(&gauge(), Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseRelease(&gauge(), Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_GT(media->commands.size(), commands);
    EXPECT_EQ(media->commands[commands].rfind("seek ", 0), 0u) << media->commands[commands];
    EXPECT_TRUE(panel->isVisible());
    QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_TRUE(panel->isVisible());
    // Opened by its button the panel has the focus; a seek on the gauge
    // moves the focus to the playlist, and the panel closes as it loses it.
    panel->hide();
    QTest::mouseClick(strip().butVolume(), Qt::LeftButton);
    ASSERT_TRUE(panel->isVisible());
    QTest::mousePress(&gauge(), Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseRelease(&gauge(), Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(QApplication::focusWidget(), playlist().songsListView());
    EXPECT_FALSE(panel->isVisible());
    // Back to an empty playlist, where the search button opens no window.
    controls()->butStopClick();
    model().Clear();

    // Focus leaving the panel hides it.
    panel->VolumeBar1()->setFocus();
    playlist().songsListView()->setFocus();
    EXPECT_FALSE(panel->isVisible());

    // A press on each listed control hides it.
    const char* const listed[] = {"panStatus", "sPanel2", "butPlay", "butPause", "butStop",
                                  "butPrevious", "butNext", "songsListView", "sPanel1", "panDiscInfo",
                                  "labTotalBytes", "labFreeBytes", "filesView", "sToolBar1", "btntbAdd",
                                  "btntbRemove", "btntbSearch"};
    for (const char* name : listed) {
        QWidget* target = frm->findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(target, nullptr) << name;
        if (auto* area = qobject_cast<QAbstractScrollArea*>(target))
            target = area->viewport();
        panel->show();
        // A menu button's drop-down opens in its own loop: close it again.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [] {
            if (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
        });
        closer.start(20);
        QTest::mousePress(target, Qt::LeftButton, {}, QPoint(2, 2));
        QTest::mouseRelease(target, Qt::LeftButton, {}, QPoint(2, 2));
        QApplication::processEvents();
        closer.stop();
        EXPECT_FALSE(panel->isVisible()) << name;
    }
}

TEST_F(PlayerControlsTest, ClosingClearingAndRemovingThePlayingRowStopThePlayer)
{
    AddSongs(3);
    Select({1});
    controls()->songsListViewDblClick();
    // Removing another row keeps the song.
    Select({0});
    playlist().removeselecteditems1Click();
    EXPECT_TRUE(player().IsPlayerActive());
    // Removing the playing row stops it.
    Select({0});
    playlist().removeselecteditems1Click();
    EXPECT_FALSE(player().IsPlayerActive());
    EXPECT_FALSE(media->open);

    Select({0});
    controls()->songsListViewDblClick();
    prompts.expect(ScriptedPrompts::Kind::YesNo, PromptAnswer::Yes);
    playlist().Clearplaylist1Click();
    EXPECT_FALSE(player().IsPlayerActive());

    AddSongs(1);
    Select({0});
    controls()->songsListViewDblClick();
    ASSERT_TRUE(player().IsPlayerActive());
    frm->close();
    EXPECT_FALSE(player().IsPlayerActive());
    EXPECT_EQ(media->commands.back(), "close");

    // Exit ends the loop without the close handling: the song is still
    // closed when the window goes.
    Select({0});
    controls()->songsListViewDblClick();
    ASSERT_TRUE(media->open);
    frm.reset();
    EXPECT_FALSE(media->open);
    EXPECT_EQ(media->commands.back(), "close");
}
