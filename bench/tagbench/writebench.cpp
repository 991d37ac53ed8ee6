#include "benchreport.h"
#include "mp3walk.h"
#include "tagbenchmodes.h"

#include "savetags.h"
#include "tagerror.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"
#include "writebatch.h"

#include <iostream>

#include <sys/stat.h>

namespace {

struct Saved {
    std::string failure;  // empty when both tags were saved
    std::uint64_t bytes = 0;
};

// The title of file number `index`: the same text for the same file on every
// run keeps the file sizes (and so the work) alike from run to run.
std::string TitleOf(std::size_t index)
{
    return "tagbench title " + std::to_string(index);
}

// Sets and saves both titles of one file, as the tag editor does for each
// file of a multi-file update.
Saved SaveTitles(const std::string& file, const std::string& title, FolderFlushes* laterFlushes)
{
    Saved saved;
    Tmp3TagV1 v1;
    Tmp3TagV2 v2;
    try {
        v1.LoadFromFile(file);
    } catch (const TagError& e) {
        saved.failure = e.what();
        return saved;
    }
    if (!v2.LoadFromFile(file)) {
        saved.failure = "cannot read the ID3v2 tag of " + file + ": " + v2.LastError();
        return saved;
    }
    v1.SetTitle(title);
    v2.SetTitle(title);
    const TagSaveFailures failures = SaveTags(file, &v1, &v2, laterFlushes);
    if (!failures.v1.empty() || !failures.v2.empty()) {
        saved.failure = "cannot save the tags of " + file + ": " + failures.v1 + failures.v2;
        return saved;
    }
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0)
        saved.bytes = static_cast<std::uint64_t>(st.st_size);
    return saved;
}

class Tally final {
public:
    void Add(const Saved& saved)
    {
        if (!saved.failure.empty()) {
            std::cerr << saved.failure << '\n';
            ++m_failures;
        }
        m_bytes += saved.bytes;
    }
    int Report(std::size_t files, double seconds) const
    {
        std::cout << "failures " << m_failures << '\n';
        std::cout << WriteSummary(files - m_failures, m_bytes, seconds) << std::endl;
        return m_failures == 0 ? 0 : 1;
    }

private:
    std::size_t m_failures = 0;
    std::uint64_t m_bytes = 0;
};

}  // namespace

int RunWriteBench(const std::string& dir)
{
    const std::vector<std::string> files = FindMp3Files(dir);
    Tally tally;
    const BenchClock clock;
    WriteBatch<Saved> batch;
    for (std::size_t i = 0; i < files.size(); ++i)
        batch.Add([file = files[i], title = TitleOf(i)](FolderFlushes& flushes) {
            return SaveTitles(file, title, &flushes);
        });
    batch.Drain([&](const Saved& saved) { tally.Add(saved); }, [] { return true; }, std::chrono::seconds(1));
    return tally.Report(files.size(), clock.seconds());
}

int RunSerialWriteBench(const std::string& dir)
{
    const std::vector<std::string> files = FindMp3Files(dir);
    Tally tally;
    const BenchClock clock;
    for (std::size_t i = 0; i < files.size(); ++i)
        tally.Add(SaveTitles(files[i], TitleOf(i), nullptr));
    return tally.Report(files.size(), clock.seconds());
}
