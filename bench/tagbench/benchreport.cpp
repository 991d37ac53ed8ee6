#include "benchreport.h"

#include <cstdio>
#include <iostream>

std::string ReadSummary(std::size_t files, double seconds)
{
    char line[160];
    std::snprintf(line, sizeof line, "read %zu files in %.3f s: %.0f files/s", files, seconds,
                  seconds > 0 ? static_cast<double>(files) / seconds : 0.0);
    return line;
}

std::string WriteSummary(std::size_t files, std::uint64_t bytes, double seconds)
{
    char line[200];
    std::snprintf(line, sizeof line, "wrote %zu files (%llu bytes) in %.3f s: %.1f MB/s", files,
                  static_cast<unsigned long long>(bytes), seconds,
                  seconds > 0 ? static_cast<double>(bytes) / 1e6 / seconds : 0.0);
    return line;
}

int TimeReads(const std::vector<std::string>& files,
              const std::function<bool(const std::string&, std::size_t&)>& load)
{
    std::size_t checksum = 0;
    for (const std::string& file : files)
        load(file, checksum);

    checksum = 0;
    std::size_t failures = 0;
    const BenchClock clock;
    for (const std::string& file : files)
        if (!load(file, checksum))
            ++failures;
    const double seconds = clock.seconds();

    std::cout << "checksum " << checksum << ", failures " << failures << '\n';
    std::cout << ReadSummary(files.size(), seconds) << std::endl;
    return failures == 0 ? 0 : 1;
}
