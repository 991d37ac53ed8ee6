#include "recordsbench.h"

#include "tfileinfo.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iomanip>
#include <memory>
#include <ostream>
#include <vector>

namespace {

bool IsMp3(const std::filesystem::path& path)
{
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".mp3";
}

} // namespace

int RunRecordsBench(const std::string& folder, std::ostream& out)
{
    std::vector<std::string> paths;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(
             folder, std::filesystem::directory_options::skip_permission_denied, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_regular_file(ec) && IsMp3(it->path()))
            paths.push_back(it->path().string());
    }
    if (ec) {
        out << "cannot list " << folder << ": " << ec.message() << "\n";
        return 1;
    }
    std::sort(paths.begin(), paths.end());

    // One untimed pass warms the page cache, as the read measurement does;
    // then the timed pass creates and keeps one record per file, as the
    // playlist does. The folder walk is the scanner's cost and is not timed.
    for (const std::string& path : paths)
        TFileInfo warm(path);
    std::vector<std::unique_ptr<TFileInfo>> records;
    records.reserve(paths.size());
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& path : paths)
        records.push_back(std::make_unique<TFileInfo>(path));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::size_t tagged = 0;
    for (const auto& record : records)
        tagged += record->HasAnyTag() ? 1 : 0;
    out << tagged << " of " << records.size() << " files tagged\n";
    out << records.size() << " records in " << std::fixed << std::setprecision(3) << seconds
        << " s: " << std::setprecision(0)
        << (seconds > 0 ? static_cast<double>(records.size()) / seconds : 0.0) << " files/s\n";
    return 0;
}
