#pragma once
// A main window on the offscreen platform with the fake player, answered by
// the scripted prompts, and real MP3 files in a temporary folder: the ground
// for the tag editor and the playlist's tag commands.

#include "fakemediabackend.h"
#include "filefixtures.h"
#include "scriptedprompts.h"

#include <QApplication>
#include <QByteArray>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class QPushButton;
class TBatchWizard;
class TfrmMain;
class TfrmMp3Tag;
class TPlaylistModel;
class TPlaylistPane;

// The captions of the playlist's rows, in order.
std::vector<std::string> Captions(const TPlaylistModel& model);
// Runs `act` on the tag editor once it is open (modal) and counts it.
void OnEditor(int& opened, const std::function<void(TfrmMp3Tag&)>& act);
// Runs `act` on the wizard once it is open (modal); `act` must close it.
template <typename Wizard>
void OnWizard(bool& driven, const std::function<void(Wizard&)>& act);
// Presses a wizard's button once the wizard has updated it, as it does when
// the application is idle.
void Click(TBatchWizard& wizard, QPushButton* button);

class TagToolsTest : public ::testing::Test {
protected:
    struct Tags {
        std::string title, artist, album, year, genre, comment;
        int track = 0;
    };

    TagToolsTest();
    ~TagToolsTest() override;
    void SetUp() override;
    void TearDown() override;

    // Creates the main window (as SetUp does; again after closing it).
    void OpenMainWindow();
    TPlaylistPane& playlist() const;
    // Writes dir/name with an ID3v2 and/or an ID3v1 tag holding `tags`
    // (no tag where the pointer is null) and adds it to the playlist.
    std::string AddSong(const std::string& name, const Tags* v2, const Tags* v1 = nullptr);
    // Selects these rows only.
    void Select(std::initializer_list<int> rows);
    // Selects the row of this file only.
    void SelectFile(const std::string& path);
    // The dialog on the selected rows, shown and active (not modal).
    std::unique_ptr<TfrmMp3Tag> OpenEditor();
    // Runs `body` as a user whom permission bits stop: with the effective
    // user and group of "nobody" when the tests run as root (a forked child
    // would inherit a window system it cannot drive), as the user otherwise.
    // The temporary folder is opened to that user first. Returns the body's
    // result.
    int Unprivileged(const std::function<int(std::string& report)>& body, std::string* report = nullptr);

    // The last 128 bytes of a file.
    static std::string Trailer(const std::string& path);
    // An ID3v2 text frame as TagLib reads it ("" when there is none).
    static std::string TagLibFrame(const std::string& path, const char* id);

    ScriptedPrompts prompts;
    TempDir dir;
    // The data folder of the test (the undo journal's home).
    TempDir dataHome;
    QByteArray m_oldDataHome;
    std::shared_ptr<FakeMediaState> media = std::make_shared<FakeMediaState>();
    std::unique_ptr<TfrmMain> frm;
};

template <typename Wizard>
void OnWizard(bool& driven, const std::function<void(Wizard&)>& act)
{
    QTimer::singleShot(0, [&driven, act] {
        auto* wizard = qobject_cast<Wizard*>(QApplication::activeModalWidget());
        ASSERT_NE(wizard, nullptr);
        act(*wizard);
        driven = true;
    });
}
