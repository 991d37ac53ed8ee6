#pragma once
// Real MP3 files in a temporary folder, a playlist of their records, and
// helpers to read a wizard's preview and to act as an unprivileged user.

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

// While it lives, file access of this thread is checked as for the user
// "nobody" when the tests run as root (permission bits stop root otherwise).
class UnprivilegedFileAccess final {
public:
    UnprivilegedFileAccess();
    ~UnprivilegedFileAccess();
    UnprivilegedFileAccess(const UnprivilegedFileAccess&) = delete;
    UnprivilegedFileAccess& operator=(const UnprivilegedFileAccess&) = delete;

private:
    bool m_switched = false;
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
    // The names in the temporary folder, sorted.
    std::vector<std::string> Listing(const std::string& folder = {}) const;

    ScriptedPrompts prompts;
    TempDir dir;
    TestPlaylist playlist;
};
