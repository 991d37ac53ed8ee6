#include "benchreport.h"

#include <cstdio>

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
