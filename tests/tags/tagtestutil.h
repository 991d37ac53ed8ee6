#pragma once
// Helpers for the tag tests: a temporary folder per test, whole-file reads
// and writes, hand-made ID3v2 tags, and running code as an unprivileged user.

#include <cstdint>
#include <functional>
#include <string>

// A fresh folder removed with everything in it when the object goes.
class TempDir final {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
// A few KB of real MPEG audio frames, without any tag.
const std::string& AudioBytes();

std::string Be32(std::uint32_t v);
std::string Syncsafe(std::uint32_t v);
// An ID3v2 header: "ID3", version, revision 0, flags, syncsafe size.
std::string Id3Header(int major, unsigned char flags, std::uint32_t bodySize);
// A v2.3 frame (plain size) or a v2.4 frame (syncsafe size).
std::string Frame23(const std::string& id, const std::string& content, unsigned char flags2 = 0);
std::string Frame24(const std::string& id, const std::string& content, unsigned char status = 0,
                    unsigned char format = 0);
std::string Frame22(const std::string& id, const std::string& content);
// A whole tag of `frames` and `padding` zero bytes.
std::string Tag(int major, const std::string& frames, std::size_t padding = 0, unsigned char flags = 0);

// Runs `body` in a child process that has dropped to the user "nobody";
// returns the child's exit status (the body's return value).
int RunAsNobody(const std::function<int()>& body);
