#include "changerecord.h"

#include <cstring>

namespace {

constexpr std::uint32_t kFormat = 1;

void putInt(std::string& out, std::uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void putBytes(std::string& out, std::string_view bytes)
{
    putInt(out, bytes.size());
    out.append(bytes);
}

class Reader final {
public:
    explicit Reader(std::string_view bytes) : m_bytes(bytes) {}

    bool integer(std::uint64_t& value)
    {
        if (m_bytes.size() - m_pos < 8)
            return fail();
        value = 0;
        for (int i = 0; i < 8; ++i)
            value |= std::uint64_t(static_cast<unsigned char>(m_bytes[m_pos + i])) << (8 * i);
        m_pos += 8;
        return true;
    }
    bool integer(std::int64_t& value)
    {
        std::uint64_t raw = 0;
        const bool ok = integer(raw);
        value = static_cast<std::int64_t>(raw);
        return ok;
    }
    bool bytes(std::string& out)
    {
        std::uint64_t size = 0;
        if (!integer(size) || size > m_bytes.size() - m_pos)
            return fail();
        out.assign(m_bytes.substr(m_pos, size));
        m_pos += size;
        return true;
    }
    bool atEnd() const { return m_ok && m_pos == m_bytes.size(); }

private:
    bool fail()
    {
        m_ok = false;
        return false;
    }

    std::string_view m_bytes;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

void putStamp(std::string& out, const FileStamp& stamp)
{
    putInt(out, static_cast<std::uint64_t>(stamp.size));
    putInt(out, static_cast<std::uint64_t>(stamp.mtimeSec));
    putInt(out, static_cast<std::uint64_t>(stamp.mtimeNsec));
}

bool readStamp(Reader& in, FileStamp& stamp)
{
    return in.integer(stamp.size) && in.integer(stamp.mtimeSec) && in.integer(stamp.mtimeNsec);
}

}  // namespace

std::string ChangeRecord::folder() const
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ChangeRecord::name() const
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string EncodeChangeRecord(const ChangeRecord& r)
{
    std::string out;
    out.reserve(200 + r.path.size() + r.oldFront.size() + r.front.size() + r.oldBack.size() + r.back.size()
                + r.content.size());
    putInt(out, kFormat);
    putInt(out, static_cast<std::uint64_t>(r.kind));
    putBytes(out, r.path);
    putInt(out, r.device);
    putInt(out, r.inode);
    putStamp(out, r.before);
    putInt(out, r.keepModificationTime ? 1 : 0);
    putInt(out, static_cast<std::uint64_t>(r.frontLength));
    putBytes(out, r.oldFront);
    putBytes(out, r.front);
    putInt(out, static_cast<std::uint64_t>(r.backStart));
    putBytes(out, r.oldBack);
    putBytes(out, r.back);
    putBytes(out, r.content);
    putBytes(out, r.tempName);
    putInt(out, r.newInode);
    return out;
}

bool DecodeChangeRecord(std::string_view bytes, ChangeRecord& r)
{
    Reader in(bytes);
    std::uint64_t format = 0, kind = 0, keep = 0;
    const bool ok = in.integer(format) && format == kFormat && in.integer(kind) && kind <= 2 && in.bytes(r.path)
        && in.integer(r.device) && in.integer(r.inode) && readStamp(in, r.before) && in.integer(keep)
        && in.integer(r.frontLength) && in.bytes(r.oldFront) && in.bytes(r.front) && in.integer(r.backStart)
        && in.bytes(r.oldBack) && in.bytes(r.back) && in.bytes(r.content) && in.bytes(r.tempName)
        && in.integer(r.newInode) && in.atEnd();
    if (!ok || r.frontLength < 0 || r.backStart < 0)
        return false;
    r.kind = static_cast<ChangeKind>(kind);
    // Only an exchange does without the old bytes of what it replaces.
    if (r.kind != ChangeKind::Exchange && static_cast<std::uint64_t>(r.frontLength) != r.oldFront.size())
        return false;
    r.keepModificationTime = keep != 0;
    return true;
}
