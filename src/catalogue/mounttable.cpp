#include "mounttable.h"

#include <fstream>
#include <sstream>

namespace {

std::string WithoutTrailingSeparators(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

MountTable::MountTable(const std::vector<std::string>& mountPoints)
{
    for (const std::string& point : mountPoints)
        m_points.insert(WithoutTrailingSeparators(point));
}

MountTable MountTable::System()
{
    std::ifstream in("/proc/self/mountinfo");
    std::stringstream text;
    text << in.rdbuf();
    return Parse(text.str());
}

MountTable MountTable::Parse(const std::string& mountinfo)
{
    // Each line: id, parent id, major:minor, root, mount point, ...
    std::vector<std::string> points;
    std::istringstream in(mountinfo);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string field;
        for (int i = 0; i < 5 && fields >> field; ++i) {
            if (i == 4 && !field.empty() && field[0] == '/')
                points.push_back(UnescapeMountPath(field));
        }
    }
    return MountTable(points);
}

std::string MountTable::UnescapeMountPath(const std::string& field)
{
    std::string out;
    out.reserve(field.size());
    const auto isOct = [](char c) { return c >= '0' && c <= '7'; };
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOct(field[i + 1]) && isOct(field[i + 2])
            && isOct(field[i + 3])) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
            continue;
        }
        out += field[i];
    }
    return out;
}

bool MountTable::IsMountPoint(const std::string& path) const
{
    return m_points.count(WithoutTrailingSeparators(path)) != 0;
}
