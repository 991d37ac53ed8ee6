// The volume control's notice handling, feedback flags and errors, on the
// fake mixer.

#include "fakemixerbackend.h"
#include "taudiovolumecontrol.h"
#include "testsupport.h"
#include "volumecontrolerror.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using Change = std::pair<VolumeKind, std::uint32_t>;

namespace {

class VolumeControlTest : public ::testing::Test {
protected:
    void SetUp() override { playertest::ensureApplication(); }

    std::unique_ptr<TAudioVolumeControl> make()
    {
        auto control = std::make_unique<TAudioVolumeControl>(std::make_unique<FakeMixerBackend>(state));
        control->OnVolumeChange = [this](VolumeKind kind, std::uint32_t value) { changes.emplace_back(kind, value); };
        return control;
    }

    std::string constructionError()
    {
        try {
            make();
        } catch (const VolumeControlError& error) {
            return error.what();
        }
        return "no error";
    }

    std::shared_ptr<FakeMixerState> state = std::make_shared<FakeMixerState>();
    std::vector<Change> changes;
};

} // namespace

TEST_F(VolumeControlTest, StartUpSetsBothBarsOnceTheLoopRuns)
{
    auto control = make();
    EXPECT_TRUE(changes.empty());
    QCoreApplication::processEvents();
    const std::vector<Change> expected{{VolumeKind::Master, 40000}, {VolumeKind::Wave, 50000}};
    EXPECT_EQ(changes, expected);
    EXPECT_TRUE(state->writes.empty());
}

TEST_F(VolumeControlTest, ConstructionFailsWithTheVolumeControlErrorText)
{
    state->openFails = true;
    EXPECT_EQ(constructionError(), "volumeControl error\r\nConnection refused");
    state->openFails = false;
    state->noWaveSource = true;
    EXPECT_EQ(constructionError(), "volumeControl error\r\nNo such entity");
    // Nothing of a failed construction is delivered later.
    QCoreApplication::processEvents();
    EXPECT_TRUE(changes.empty());
}

TEST_F(VolumeControlTest, NoticesMoveOnlyTheMatchingBar)
{
    auto control = make();
    QCoreApplication::processEvents();
    changes.clear();

    state->externalChange(FakeMixerState::MasterControl, 1234);
    state->externalChange(FakeMixerState::WaveControl, 4321);
    state->externalChange(FakeMixerState::MuteControl, 1);
    // A notice names the control; the value is read when it is handled.
    state->values[FakeMixerState::WaveControl] = 5555;
    QCoreApplication::processEvents();
    const std::vector<Change> expected{{VolumeKind::Master, 1234}, {VolumeKind::Wave, 5555}};
    EXPECT_EQ(changes, expected);
    EXPECT_TRUE(state->writes.empty());

    // A notice arriving after the control is gone is dropped.
    state->externalChange(FakeMixerState::MasterControl, 99);
    control.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(changes.size(), expected.size());
}

TEST_F(VolumeControlTest, FeedbackIsBrokenInBothDirections)
{
    auto control = make();
    // A bar as the window wires it: moving it (by hand or by a notice) runs
    // Begin, Set, End.
    int bar = -1;
    auto barChanged = [&](int position) {
        bar = position;
        control->BeginUserChange();
        control->SetMasterVolume(65535 - static_cast<std::uint32_t>(position));
        control->EndUserChange();
    };
    control->OnVolumeChange = [&](VolumeKind kind, std::uint32_t value) {
        changes.emplace_back(kind, value);
        if (kind == VolumeKind::Master) {
            EXPECT_TRUE(control->isUpdating());
            barChanged(static_cast<int>(65535 - value));
        }
    };

    // notice -> bar -> mixer: nothing is written back.
    QCoreApplication::processEvents();
    EXPECT_EQ(bar, 65535 - 40000);
    state->externalChange(FakeMixerState::MasterControl, 30000);
    QCoreApplication::processEvents();
    EXPECT_EQ(bar, 65535 - 30000);
    EXPECT_TRUE(state->writes.empty());
    EXPECT_FALSE(control->isUpdating());
    EXPECT_FALSE(control->isUserChanging());

    // user -> mixer -> notice -> bar: each value is written once, and the
    // notices of the user's own writes do not move the bar.
    changes.clear();
    for (int position : {1000, 2000, 3000, 60000})
        barChanged(position);
    QCoreApplication::processEvents();
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> written{
        {FakeMixerState::MasterControl, 64535},
        {FakeMixerState::MasterControl, 63535},
        {FakeMixerState::MasterControl, 62535},
        {FakeMixerState::MasterControl, 5535}};
    EXPECT_EQ(state->writes, written);
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(bar, 60000);
    EXPECT_EQ(state->settles, 4 + 2);
    EXPECT_FALSE(control->isUserChanging());
}

TEST_F(VolumeControlTest, WriteErrorsKeepTheFlagsRight)
{
    auto control = make();
    QCoreApplication::processEvents();
    control->SetWaveVolume(65535 - 100);
    EXPECT_EQ(state->writes.back(), std::make_pair(FakeMixerState::WaveControl, std::uint32_t{65435}));

    state->writeFails = true;
    control->BeginUserChange();
    try {
        control->SetMasterVolume(5);
        ADD_FAILURE() << "a failed write must raise";
    } catch (const VolumeControlError& error) {
        EXPECT_STREQ(error.what(), "volumeControl error\r\nConnection terminated");
    }
    control->EndUserChange();
    EXPECT_FALSE(control->isUserChanging());

    try {
        control->SetControlVolume(5, FakeMixerState::MuteControl);
        ADD_FAILURE() << "an unknown control must raise";
    } catch (const VolumeControlError& error) {
        EXPECT_STREQ(error.what(), "volCtrlSetVolume - unknown volume control ID");
    }

    // A handler that throws leaves the control able to write again.
    state->writeFails = false;
    control->OnVolumeChange = [](VolumeKind, std::uint32_t) { throw std::runtime_error("bar gone"); };
    EXPECT_THROW(control->HandleControlChange({FakeMixerBackend::Handle, FakeMixerState::MasterControl}),
                 std::runtime_error);
    EXPECT_FALSE(control->isUpdating());
    const std::size_t before = state->writes.size();
    control->SetMasterVolume(7);
    EXPECT_EQ(state->writes.size(), before + 1);
}
