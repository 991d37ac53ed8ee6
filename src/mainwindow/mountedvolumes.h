#pragma once
// The drives of the file browser on Linux: the mounted volumes a desktop file
// manager would show (disk and network file systems, removable media), read
// from the mount table. Pseudo and virtual file systems, RAM disks and optical
// media are left out; "/" is always listed, first.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct MountedVolume {
    std::string mountPath; // ends with '/'
    std::string label;     // volume label, empty when it has none
    std::string fsType;    // file-system type as the mount table gives it
};

struct VolumeSpace {
    std::int64_t totalBytes = 0;
    std::int64_t freeBytes = 0; // available to the current user
};

class MountedVolumes final {
public:
    // Volumes of this process's mount table, sorted by mount path.
    static std::vector<MountedVolume> List();
    // Parses mountinfo text (for tests); labels are looked up under
    // `labelDir` (normally /dev/disk/by-label).
    static std::vector<MountedVolume> Parse(const std::string& mountinfo,
                                            const std::string& labelDir);
    // Whether a file-system type is one the drive box leaves out.
    static bool IsHiddenType(const std::string& fsType, const std::string& mountPath);
    // The drive box text: mount path + ": %-8s(%s)" of label and type.
    static std::string EntryText(const MountedVolume& volume);
    // Total and user-available bytes by statvfs; nullopt when they cannot be read.
    static std::optional<VolumeSpace> Space(const std::string& mountPath);
};
