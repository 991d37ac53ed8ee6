#pragma once
// A main window on the offscreen platform, answered by the scripted prompts,
// with helpers to make MP3 files and to drive the panes.

#include "filefixtures.h"
#include "scriptedprompts.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class TfrmMain;
class TFileBrowserPane;
class TPlaylistPane;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    TPlaylistPane& playlist() const;
    TFileBrowserPane& browser() const;

    // An MP3 file with both tags (artist - title caption) or none.
    void MakeMp3(const std::string& path, const std::string& artist = {}, const std::string& title = {});
    // The captions of the playlist rows in order.
    std::vector<std::string> PlaylistCaptions() const;
    // The captions of the browser rows in order.
    std::vector<std::string> BrowserCaptions() const;
    // Selected browser row captions.
    std::vector<std::string> BrowserSelection() const;
    void SelectPlaylistRows(std::initializer_list<int> rows);
    void SelectBrowserRows(std::initializer_list<int> rows);
    int BrowserRowOf(const std::string& caption) const;

    ScriptedPrompts prompts;
    TempDir dir;
    std::unique_ptr<TfrmMain> frm;
};
