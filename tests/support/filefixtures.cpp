#include "filefixtures.h"

#include "savejournal.h"

#include <filesystem>

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sstream>
#include <vector>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tunevault-test.XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Give write permission back where a test took it away.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            chmod(it->path().c_str(), 0755);
    }
    std::filesystem::remove_all(m_path, ec);
}

std::string TempDir::file(std::string_view name) const
{
    return m_path + "/" + std::string(name);
}

void WriteFile(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    if (size < 0) {
        in.clear();
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // Read in one go: large test files would otherwise be copied many times.
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    in.read(bytes.data(), size);
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

bool Exists(const std::string& path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> Listing(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void MakeDir(const std::string& path)
{
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
        throw std::runtime_error("cannot create " + path);
}

std::string AudioBytes(std::size_t size)
{
    // Frames of MPEG 1 layer III at 128 kbit/s, 44.1 kHz, padded: 418 bytes
    // each, every one starting with its 4-byte header.
    std::string bytes(size, '\x55');
    for (std::size_t i = 0; i + 1 < size; i += 418) {
        bytes[i] = '\xFF';
        bytes[i + 1] = '\xFB';
        if (i + 2 < size)
            bytes[i + 2] = '\x92';
    }
    return bytes;
}

namespace {

std::string Field(std::string_view text, std::size_t width)
{
    std::string field(text.substr(0, width));
    field.resize(width, '\0');
    return field;
}

std::string BigEndian32(std::size_t value, bool synchsafe)
{
    std::string bytes(4, '\0');
    for (int i = 3; i >= 0; --i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<char>(synchsafe ? value & 0x7F : value & 0xFF);
        value >>= synchsafe ? 7 : 8;
    }
    return bytes;
}

std::string TextFrame(int majorVersion, std::string_view id, std::string_view text)
{
    const std::string body = std::string(1, '\0') + std::string(text);
    return std::string(id) + BigEndian32(body.size(), majorVersion >= 4) + std::string(2, '\0') + body;
}

} // namespace

std::string Id3v1Block(std::string_view title, std::string_view artist, std::string_view album,
                       std::string_view year, std::string_view comment, unsigned char genre)
{
    return "TAG" + Field(title, 30) + Field(artist, 30) + Field(album, 30) + Field(year, 4) +
           Field(comment, 30) + std::string(1, static_cast<char>(genre));
}

std::string Id3v2Tag(int majorVersion, std::string_view artist, std::string_view title)
{
    std::vector<std::pair<std::string, std::string>> frames;
    if (!artist.empty())
        frames.emplace_back("TPE1", artist);
    if (!title.empty())
        frames.emplace_back("TIT2", title);
    return Id3v2TagOfFrames(majorVersion, frames);
}

std::string Id3v2TagOfFrames(int majorVersion, const std::vector<std::pair<std::string, std::string>>& texts)
{
    std::string frames;
    for (const auto& [id, text] : texts)
        frames += TextFrame(majorVersion, id, text);
    frames += std::string(64, '\0'); // padding
    return std::string("ID3") + static_cast<char>(majorVersion) + '\0' + '\0' +
           BigEndian32(frames.size(), true) + frames;
}

unsigned NobodyUid()
{
    const passwd* pw = getpwnam("nobody");
    return pw ? pw->pw_uid : 65534;
}

unsigned NobodyGid()
{
    const passwd* pw = getpwnam("nobody");
    return pw ? pw->pw_gid : 65534;
}

namespace {

// A save journal of nobody's own for the saves made as nobody: the one in
// the test's data folder belongs to root.
std::string NobodysJournalFolder()
{
    char folder[] = "/tmp/tv-nobody-journal.XXXXXX";
    if (!mkdtemp(folder))
        return {};
    if (chown(folder, NobodyUid(), NobodyGid()) != 0)
        return {};
    return folder;
}

} // namespace

namespace {

std::size_t DataSegmentSize()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmData:", 0) == 0)
            return std::stoul(line.substr(7)) * 1024;
    return 0;
}

} // namespace

int WithMemoryLimit(std::size_t megabytes, const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const rlimit limit {DataSegmentSize() + megabytes * (std::size_t(1) << 20), RLIM_INFINITY};
        ::setrlimit(RLIMIT_DATA, &limit);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunUnprivilegedHere(const std::function<int()>& body)
{
    if (geteuid() != 0)
        return body();
    const std::string journal = NobodysJournalFolder();
    SaveJournal::SetProcessFolder(journal);
    struct Restore {
        std::string folder;
        ~Restore()
        {
            SaveJournal::SetProcessFolder({});
            if (!folder.empty())
                std::filesystem::remove_all(folder);
        }
    } restore{journal};
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(0, getgroups(0, nullptr))));
    groups.resize(static_cast<std::size_t>(std::max(0, getgroups(static_cast<int>(groups.size()), groups.data()))));
    if (setgroups(0, nullptr) != 0 || setegid(NobodyGid()) != 0 || seteuid(NobodyUid()) != 0) {
        ADD_FAILURE() << "cannot become nobody";
        return -1;
    }
    const int code = body();
    if (seteuid(0) != 0 || setegid(0) != 0 || setgroups(groups.size(), groups.data()) != 0)
        ADD_FAILURE() << "cannot become root again";
    return code;
}

void GiveToNobody(const std::string& path)
{
    if (geteuid() == 0 && chown(path.c_str(), NobodyUid(), NobodyGid()) != 0)
        throw std::runtime_error("cannot give " + path + " to nobody");
}

namespace {

// Runs `body` in a forked child (dropped to "nobody" when asked) and hands
// back its exit code and report.
int RunInChild(const std::function<int(std::string& report)>& body, std::string* report, bool asNobody)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        close(fds[0]);
        int code = 99;
        if (!asNobody
            || (setgroups(0, nullptr) == 0 && setgid(NobodyGid()) == 0 && setuid(NobodyUid()) == 0)) {
            // The child saves through a journal of its own (made before the
            // fork's end leaves it behind: the folder is under /tmp).
            char folder[] = "/tmp/tv-child-journal.XXXXXX";
            if (mkdtemp(folder))
                SaveJournal::SetProcessFolder(folder);
            std::string text;
            code = body(text);
            ssize_t written = 0;
            while (written < static_cast<ssize_t>(text.size())) {
                const ssize_t n = write(fds[1], text.data() + written, text.size() - written);
                if (n <= 0)
                    break;
                written += n;
            }
        }
        close(fds[1]);
        _exit(code);
    }
    close(fds[1]);
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (report)
        *report = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

int RunAsNobody(const std::function<int(std::string& report)>& body, std::string* report)
{
    // A normal user is unprivileged already: the child stays that user.
    return RunInChild(body, report, geteuid() == 0);
}

int RunWithoutWriteAccess(const std::string& folder, const std::function<int(std::string& report)>& body,
                          std::string* report)
{
    chmod(folder.c_str(), 0555);
    const int code = RunInChild(body, report, geteuid() == 0);
    chmod(folder.c_str(), 0755);
    return code;
}

std::string PictureBytes(const char* format, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 40));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toStdString();
}

struct FifoHangGuard::State {
    std::mutex mutex;
    std::condition_variable stop;
    bool stopped = false;
    std::atomic<bool> rescued {false};
};

FifoHangGuard::FifoHangGuard(std::string path, int seconds)
    : m_state(std::make_shared<State>())
{
    if (::mkfifo(path.c_str(), 0666) != 0)
        throw std::runtime_error("mkfifo failed: " + path);
    m_thread = std::thread([state = m_state, path = std::move(path), seconds] {
        std::unique_lock lock(state->mutex);
        if (state->stop.wait_for(lock, std::chrono::seconds(seconds), [&] { return state->stopped; }))
            return;
        // Hung: O_RDWR never blocks on a FIFO and counts as both ends.
        while (!state->stopped) {
            state->rescued = true;
            lock.unlock();
            const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (fd >= 0)
                ::close(fd);
            lock.lock();
            state->stop.wait_for(lock, std::chrono::milliseconds(50), [&] { return state->stopped; });
        }
    });
}

FifoHangGuard::~FifoHangGuard()
{
    {
        const std::lock_guard lock(m_state->mutex);
        m_state->stopped = true;
    }
    m_state->stop.notify_all();
    m_thread.join();
}

bool FifoHangGuard::Rescued() const
{
    return m_state->rescued;
}
