// libFuzzer target over both tag objects: each input is written to a file
// that is then loaded, saved and loaded again (see tagroundtrip.h). A broken
// invariant aborts with its description, so libFuzzer keeps the input.

#include "tagroundtrip.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

// One folder per fuzzing process, below $TV_FUZZ_TMPDIR when set (tools/fuzz.sh
// sets it and removes it afterwards, since fork-mode workers end without
// running exit handlers), else in memory when /dev/shm exists, because every
// save flushes the file to disk.
const std::string& workFile()
{
    static const std::string path = [] {
        const char* base = std::getenv("TV_FUZZ_TMPDIR");
        std::string dir = base && *base ? std::string(base) + "/tv-tagfuzz-XXXXXX"
            : access("/dev/shm", W_OK) == 0 ? "/dev/shm/tv-tagfuzz-XXXXXX"
                                            : "/tmp/tv-tagfuzz-XXXXXX";
        if (!mkdtemp(dir.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        return dir + "/input.mp3";
    }();
    static const bool cleanupRegistered = [] {
        std::atexit([] {
            ::unlink(path.c_str());
            ::unlink((path + "~").c_str());
            ::rmdir(path.substr(0, path.rfind('/')).c_str());
        });
        return true;
    }();
    (void)cleanupRegistered;
    return path;
}

void writeInput(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::perror("open");
        std::abort();
    }
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) {
            std::perror("write");
            std::abort();
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = workFile();
    writeInput(path, data, size);
    const std::string error = CheckTagRoundTrip(path);
    if (!error.empty()) {
        std::fprintf(stderr, "tag round trip: %s\n", error.c_str());
        std::abort();
    }
    return 0;
}
