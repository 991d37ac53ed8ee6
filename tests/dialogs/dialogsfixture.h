#pragma once
// A main window with the fake player on the offscreen platform, its settings
// store in a temporary folder, and a way to drive the modal windows it opens.

#include "fakemediabackend.h"
#include "filefixtures.h"
#include "scriptedprompts.h"

#include <QString>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QDialog;
class TfrmMain;
class TPlaylistModel;

class DialogsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    TPlaylistModel& model() const;
    // Writes an MP3 file `name` (bytes) in the temporary folder, with both
    // tags when an artist or title is given, and adds it to the playlist.
    std::string AddSong(const std::string& name, const std::string& artist = {}, const std::string& title = {});
    std::vector<QString> Captions() const;
    // Runs `open`, which shows a modal window, and `drive` on that window once
    // it is up; `drive` must close it.
    static void WithModal(const std::function<void()>& open, const std::function<void(QDialog&)>& drive);
    // The modal window driven by WithModal as the window class it must be.
    template <typename Window>
    static Window& As(QDialog& window)
    {
        auto* form = qobject_cast<Window*>(&window);
        EXPECT_NE(form, nullptr) << "another window is shown";
        return *form;
    }
    // Points the settings store at a fresh folder; returns its settings file.
    std::string FreshStore();
    // A value of the settings file, as the store wrote it.
    static QString Stored(const std::string& file, const char* name);

    std::shared_ptr<FakeMediaState> media = std::make_shared<FakeMediaState>();
    ScriptedPrompts prompts;
    TempDir dir;
    std::unique_ptr<TfrmMain> frm;

private:
    int m_stores = 0;
};
