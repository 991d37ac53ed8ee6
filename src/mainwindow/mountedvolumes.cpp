#include "mountedvolumes.h"

#include "mounttable.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <map>
#include <sstream>

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/statvfs.h>

namespace {

// udev names labels with \xNN escapes for unsafe bytes.
std::string UnescapeLabel(const std::string& s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
            const std::string hex = s.substr(i + 2, 2);
            char* end = nullptr;
            const long v = std::strtol(hex.c_str(), &end, 16);
            if (end == hex.c_str() + 2) {
                out += static_cast<char>(v);
                i += 3;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

std::map<std::string, std::string> ReadLabels(const std::string& labelDir)
{
    std::map<std::string, std::string> byDevice;
    DIR* dir = opendir(labelDir.c_str());
    if (!dir)
        return byDevice;
    while (const dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.')
            continue;
        const std::string link = labelDir + "/" + e->d_name;
        std::array<char, PATH_MAX> buf {};
        if (realpath(link.c_str(), buf.data()))
            byDevice[buf.data()] = UnescapeLabel(e->d_name);
    }
    closedir(dir);
    return byDevice;
}

} // namespace

bool MountedVolumes::IsHiddenType(const std::string& fsType, const std::string& mountPath)
{
    static const std::array<const char*, 30> hidden = {
        "proc", "sysfs", "cgroup", "cgroup2", "devpts", "devtmpfs", "securityfs", "debugfs",
        "tracefs", "bpf", "mqueue", "hugetlbfs", "configfs", "autofs", "binfmt_misc",
        "efivarfs", "nsfs", "fusectl", "pstore", "rpc_pipefs", "selinuxfs", "squashfs",
        "tmpfs", "ramfs", "iso9660", "udf", "fuse.gvfsd-fuse", "fuse.portal",
        "fuse.snapfuse", "fuse.xdg-document-portal"};
    if (mountPath == "/")
        return false;
    if (fsType == "overlay")
        return true;
    return std::find(hidden.begin(), hidden.end(), fsType) != hidden.end();
}

std::vector<MountedVolume> MountedVolumes::Parse(const std::string& mountinfo,
                                                 const std::string& labelDir)
{
    const auto labels = ReadLabels(labelDir);
    std::map<std::string, MountedVolume> byPath; // a later mount on a path hides an earlier one
    std::istringstream in(mountinfo);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::vector<std::string> parts;
        std::string f;
        while (fields >> f)
            parts.push_back(f);
        const auto sep = std::find(parts.begin(), parts.end(), "-");
        if (parts.size() < 5 || sep == parts.end() || std::distance(sep, parts.end()) < 3)
            continue;
        std::string mountPath = MountTable::UnescapeMountPath(parts[4]);
        const std::string fsType = *(sep + 1);
        const std::string source = MountTable::UnescapeMountPath(*(sep + 2));
        if (mountPath.empty() || mountPath[0] != '/')
            continue;
        if (IsHiddenType(fsType, mountPath)) {
            byPath.erase(mountPath.back() == '/' ? mountPath : mountPath + '/');
            continue;
        }
        if (mountPath.back() != '/')
            mountPath += '/';
        MountedVolume v{mountPath, {}, fsType};
        std::array<char, PATH_MAX> buf {};
        if (!source.empty() && source[0] == '/' && realpath(source.c_str(), buf.data())) {
            const auto it = labels.find(buf.data());
            if (it != labels.end())
                v.label = it->second;
        }
        byPath[mountPath] = v;
    }
    // Only the table is read: a stat of each mount point would hang on a
    // network mount whose server does not answer. (A file bind-mounted over
    // a file, as containers do, is listed too; choosing it shows the error
    // of a folder that cannot be listed.)
    std::vector<MountedVolume> out;
    for (auto& [path, v] : byPath)
        out.push_back(v);
    if (out.empty() || out.front().mountPath != "/")
        out.insert(out.begin(), MountedVolume{"/", {}, {}});
    return out;
}

std::vector<MountedVolume> MountedVolumes::List()
{
    std::ifstream in("/proc/self/mountinfo");
    std::stringstream text;
    text << in.rdbuf();
    return Parse(text.str(), "/dev/disk/by-label");
}

std::string MountedVolumes::EntryText(const MountedVolume& volume)
{
    std::string label = volume.label;
    if (label.size() < 8)
        label.append(8 - label.size(), ' ');
    return volume.mountPath + ": " + label + "(" + volume.fsType + ")";
}

std::optional<VolumeSpace> MountedVolumes::Space(const std::string& mountPath)
{
    struct statvfs st {};
    if (statvfs(mountPath.c_str(), &st) != 0)
        return std::nullopt;
    return VolumeSpace{static_cast<std::int64_t>(st.f_blocks) * static_cast<std::int64_t>(st.f_frsize),
                       static_cast<std::int64_t>(st.f_bavail) * static_cast<std::int64_t>(st.f_frsize)};
}
