#include "benchreport.h"
#include "mp3walk.h"
#include "tagbenchmodes.h"

#include "tfileinfo.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <vector>

int RunRecordsBench(const std::string& dir)
{
    const std::vector<std::string> files = FindMp3Files(dir);
    for (const std::string& file : files)
        TFileInfo warm(file);

    // The playlist creates one record per added file and keeps it.
    std::vector<std::unique_ptr<TFileInfo>> records;
    records.reserve(files.size());
    const BenchClock clock;
    for (const std::string& file : files)
        records.push_back(std::make_unique<TFileInfo>(file));
    const double seconds = clock.seconds();

    std::size_t tagged = 0;
    for (const auto& record : records)
        tagged += record->HasAnyTag() ? 1 : 0;
    char line[160];
    std::snprintf(line, sizeof line, "%zu records in %.3f s: %.0f files/s", records.size(),
                  seconds, seconds > 0 ? static_cast<double>(records.size()) / seconds : 0.0);
    std::cout << tagged << " of " << records.size() << " files tagged\n";
    std::cout << line << std::endl;
    return 0;
}
