#pragma once
// Where other file systems are mounted, as the deletion must know it: every
// mount point of this process's mount table, whatever its type (also those
// the file browser does not list as drives).

#include <set>
#include <string>
#include <vector>

class MountTable final {
public:
    MountTable() = default;
    // Absolute paths; a trailing separator is ignored.
    explicit MountTable(const std::vector<std::string>& mountPoints);

    // This process's table (/proc/self/mountinfo); empty when it cannot be read.
    static MountTable System();
    // The mount points of mountinfo text.
    static MountTable Parse(const std::string& mountinfo);
    // A mount path as mountinfo writes it, with blanks, tabs, newlines and
    // backslashes as three octal digits, turned back into its bytes.
    static std::string UnescapeMountPath(const std::string& field);

    bool IsMountPoint(const std::string& path) const;

private:
    std::set<std::string> m_points;
};
