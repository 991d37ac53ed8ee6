// Replays every committed fuzzer input (the seed corpus and the minimized
// inputs of past findings) through the fuzzer's own checks: load both tags,
// save, reload, save again. A copy of each input is used, never the original.

#include "tagroundtrip.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> committedInputs()
{
    std::vector<fs::path> files;
    std::stringstream dirs(TV_FUZZ_INPUT_DIRS);
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (!fs::is_directory(dir))
            continue;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir))
            if (entry.is_regular_file() && entry.path().filename() != "README.md")
                files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class ScratchDir final {
public:
    ScratchDir()
    {
        std::string pattern = (fs::temp_directory_path() / "tv-fuzzreplay-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        if (!m_path.empty())
            fs::remove_all(m_path, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

}  // namespace

TEST(FuzzRegression, EveryCommittedInputKeepsTheInvariants)
{
    const std::vector<fs::path> inputs = committedInputs();
    ASSERT_FALSE(inputs.empty()) << "no inputs under " << TV_FUZZ_INPUT_DIRS;
    const ScratchDir scratch;
    ASSERT_FALSE(scratch.path().empty());
    for (const fs::path& input : inputs) {
        const fs::path copy = scratch.path() / "input.mp3";
        fs::copy_file(input, copy, fs::copy_options::overwrite_existing);
        EXPECT_EQ(CheckTagRoundTrip(copy.string()), "") << "input " << input.filename();
        fs::remove(copy);
    }
}
