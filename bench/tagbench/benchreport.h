#pragma once
// Timing and the summary lines shared by the tag benchmarks.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class BenchClock final {
public:
    BenchClock() : m_start(std::chrono::steady_clock::now()) {}
    double seconds() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    }

private:
    std::chrono::steady_clock::time_point m_start;
};

// "read N files in S s: R files/s"
std::string ReadSummary(std::size_t files, double seconds);
// "wrote N files (B bytes) in S s: R MB/s", with 1 MB = 1,000,000 bytes.
std::string WriteSummary(std::size_t files, std::uint64_t bytes, double seconds);

// Loads every file once untimed (to warm the page cache), then times a second
// pass and prints a checksum line and ReadSummary. `load` adds what it read to
// the checksum and returns false for a file it could not read. Returns the
// process exit status: 0 when every file was read.
int TimeReads(const std::vector<std::string>& files,
              const std::function<bool(const std::string&, std::size_t&)>& load);
