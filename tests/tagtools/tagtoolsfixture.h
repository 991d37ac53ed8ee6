#pragma once
// A main window on the offscreen platform with the fake player, answered by
// the scripted prompts, and real MP3 files in a temporary folder: the ground
// for the tag editor and the playlist's tag commands.

#include "fakemediabackend.h"
#include "filefixtures.h"
#include "scriptedprompts.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

class TfrmMain;
class TfrmMp3Tag;
class TPlaylistPane;

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
    std::shared_ptr<FakeMediaState> media = std::make_shared<FakeMediaState>();
    std::unique_ptr<TfrmMain> frm;
};
