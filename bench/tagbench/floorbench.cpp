#include "benchreport.h"
#include "dropcaches.h"
#include "mp3walk.h"
#include "tagbenchmodes.h"

#include <iostream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The least a tag reader does for a file: open it, read the first 10 bytes
// (where an ID3v2 header would be) and the last 128 (an ID3v1 trailer).
bool readEnds(const std::string& file, std::size_t& checksum)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        std::cerr << "cannot open " << file << '\n';
        return false;
    }
    unsigned char head[10] = {};
    unsigned char tail[128] = {};
    struct stat st {};
    bool ok = ::pread(fd, head, sizeof head, 0) >= 0 && ::fstat(fd, &st) == 0;
    if (ok && st.st_size >= static_cast<off_t>(sizeof tail))
        ok = ::pread(fd, tail, sizeof tail, st.st_size - static_cast<off_t>(sizeof tail)) >= 0;
    ::close(fd);
    checksum += head[0] + tail[0];
    return ok;
}

} // namespace

int RunFloorBench(const std::string& dir)
{
    return TimeReads(FindMp3Files(dir), readEnds);
}

int RunColdFloorBench(const std::string& dir)
{
    // The list is made before the cache is dropped: the timed pass is the
    // opens and reads alone.
    const std::vector<std::string> files = FindMp3Files(dir);
    if (!DropPageCache("tagbench"))
        return 1;
    std::size_t checksum = 0;
    bool ok = true;
    const BenchClock clock;
    for (const std::string& file : files)
        ok = readEnds(file, checksum) && ok;
    const double seconds = clock.seconds();
    std::cout << "checksum " << checksum << '\n' << ReadSummary(files.size(), seconds) << std::endl;
    return ok ? 0 : 1;
}
