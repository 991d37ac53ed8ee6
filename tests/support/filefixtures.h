#pragma once
// Real files for tests: a temporary folder removed afterwards, small MP3-like
// files with hand-built tags, and a way to run code as an unprivileged user
// (tests run as root, where permission bits stop nothing).

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

class TempDir final {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, without a trailing "/".
    const std::string& path() const { return m_path; }
    // path() + "/" + name.
    std::string file(std::string_view name) const;

private:
    std::string m_path;
};

void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
void MakeDir(const std::string& path);
// The names in a folder, sorted.
std::vector<std::string> Listing(const std::string& dir);

// Bytes that look like MPEG audio frames.
std::string AudioBytes(std::size_t size);
// A 128-byte ID3v1 block (texts as code-page bytes, cut to their widths).
std::string Id3v1Block(std::string_view title, std::string_view artist,
                       std::string_view album = {}, std::string_view year = {},
                       std::string_view comment = {}, unsigned char genre = 255);
// An ID3v2 tag of `majorVersion` (3 or 4) with TPE1 and TIT2 in encoding 0
// (frames are left out when the text is empty).
std::string Id3v2Tag(int majorVersion, std::string_view artist, std::string_view title);
// The same with text frames (id, ISO-8859-1 text) in the order given.
std::string Id3v2TagOfFrames(int majorVersion, const std::vector<std::pair<std::string, std::string>>& texts);
// A real picture of `width` x `height` pixels encoded as `format` ("PNG",
// "JPEG"), one colour all over.
std::string PictureBytes(const char* format, int width, int height);

// A FIFO named like a song, made at `path` (mkfifo), with a guard against a
// regression that would block in its open or read: should the guard still
// live after `seconds`, it opens the FIFO's other end and closes it again,
// again and again, which frees a blocked open and ends a blocked read, and
// Rescued() becomes true. A test thus fails (EXPECT_FALSE(Rescued())) where
// it would hang. The FIFO stays; the guard stops when destroyed.
class FifoHangGuard final {
public:
    explicit FifoHangGuard(std::string path, int seconds = 10);
    ~FifoHangGuard();
    FifoHangGuard(const FifoHangGuard&) = delete;
    FifoHangGuard& operator=(const FifoHangGuard&) = delete;
    bool Rescued() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

// Runs `body` in a forked child that has dropped to the user "nobody" (when
// the tests run as root); the child's return value is its exit code, which is
// returned (-1 when the child died). Output written to `report` by the child
// is handed back through a pipe. Run by a normal user the child stays that
// user, so tests deny access with bits that stop a file's owner too (a file
// 0444, a folder 0555), and give files to "nobody" with GiveToNobody.
int RunAsNobody(const std::function<int(std::string& report)>& body, std::string* report = nullptr);
// Runs `body` as RunAsNobody does in a forked child that may not write into
// `folder`: the folder is read-only meanwhile, and root's child drops to
// "nobody" (root may write anywhere). The folders above must be searchable
// for "nobody".
int RunWithoutWriteAccess(const std::string& folder, const std::function<int(std::string& report)>& body,
                          std::string* report = nullptr);
// Runs `body` in this process as a user whom permission bits stop: with the
// effective user and group of "nobody" when the tests run as root (a forked
// child would inherit a window system it cannot drive), as the user
// otherwise. Returns the body's result.
int RunUnprivilegedHere(const std::function<int()>& body);
// Runs `body` in a forked child whose data segment may grow by `megabytes`
// MB beyond its size now; the child's exit code (-1 when it died).
int WithMemoryLimit(std::size_t megabytes, const std::function<int()>& body);
// Makes "nobody" the owner of the path when the tests run as root (so that
// the child of RunAsNobody owns it); a normal user owns it already.
void GiveToNobody(const std::string& path);
// uid and gid of "nobody".
unsigned NobodyUid();
unsigned NobodyGid();
