#pragma once
// Real MP3 files in a temporary folder, a playlist of their records in the
// order they were added, and helpers to read a wizard's preview.

#include "filefixtures.h"
#include "playlistrows.h"
#include "scriptedprompts.h"
#include "tfileinfo.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

class TBatchWizard;
class TPreviewModel;

// The rows of a playlist in list order and its selection.
class TestPlaylist final : public PlaylistRows {
public:
    int Count() const override { return static_cast<int>(m_rows.size()); }
    std::vector<int> SelectedRows() const override { return selected; }
    TFileInfo* FileAt(int row) const override;
    void Add(const std::string& path) { m_rows.push_back(std::make_unique<TFileInfo>(path)); }

    std::vector<int> selected;

private:
    std::vector<std::unique_ptr<TFileInfo>> m_rows;
};

struct TagValues {
    TagValues(std::string a = {}, std::string t = {}, std::string al = {}, int tr = 0)
        : artist(std::move(a)), title(std::move(t)), album(std::move(al)), track(tr)
    {
    }
    std::string artist;
    std::string title;
    std::string album;
    int track = 0;
    friend bool operator==(const TagValues&, const TagValues&) = default;
    friend void PrintTo(const TagValues& v, std::ostream* out)
    {
        *out << '{' << v.artist << '|' << v.title << '|' << v.album << '|' << v.track << '}';
    }
};

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes `name` in `folder` (the temporary folder when empty) with the
    // given tags and adds it to the playlist; returns its path.
    std::string Song(const std::string& name, std::optional<TagValues> v2, std::optional<TagValues> v1 = {},
                     const std::string& folder = {});
    static TagValues V1Of(const std::string& path);
    static TagValues V2Of(const std::string& path);
    // The texts of a preview row.
    static QStringList Texts(const TPreviewModel& model, int row);
    // Presses Next (or whatever the button says) like the user.
    static void Next(TBatchWizard& wizard);
    // Presses Next as a user whom permission bits stop.
    static void NextUnprivileged(TBatchWizard& wizard);
    // The names in the temporary folder, sorted.
    std::vector<std::string> Listing(const std::string& folder = {}) const;

    ScriptedPrompts prompts;
    TempDir dir;
    TestPlaylist playlist;
};
