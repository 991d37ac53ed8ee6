#pragma once
// A temporary file beside the file being rewritten. It is created without a
// name (O_TMPFILE), so that a save killed halfway leaves nothing behind, and
// is named only for the moment it needs one. Where the file system has no
// unnamed files (or they cannot be named: no /proc) it gets its name at
// once. Its name is the file's name (cut to fit the file system's name
// limit) with "~" and six random characters. Unless it was renamed to its
// target or kept, it is removed when the object goes.

#include <string>
#include <string_view>

#include <sys/types.h>

class TemporaryFile final {
public:
    // Creates the file in the folder `dirFd` for the file named `baseName`
    // there; valid() tells whether that worked (errno says why not).
    TemporaryFile(int dirFd, std::string_view baseName, mode_t mode);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool valid() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    // The temporary name; empty while the file has none.
    const std::string& name() const { return m_name; }

    // Gives the file its temporary name, when it has none yet.
    bool link();
    // A name the file could get (it may exist by then: linkAs says so).
    std::string freshName() { return nextName(); }
    // Gives the unnamed file the name `name`; EEXIST when it is taken.
    bool linkAs(const std::string& name);
    // Forgets the name without removing it: what it names now is no longer
    // this file's business (after an exchange).
    void disown() { m_name.clear(); }
    // Renames the file over `target` in the same folder.
    bool renameOver(std::string_view target);
    // Gives the file the name `target` in the same folder unless that name
    // exists (EEXIST), also when it appears meanwhile: an unnamed file is
    // linked there directly, a named one renamed.
    bool renameNoReplace(std::string_view target);
    // Closes the file now and reports a write error that shows up only
    // then; for a file that has got its final name.
    bool close();
    // Removes the name now (the file then goes with its descriptor).
    bool remove();
    // Leaves the named file where it is (it holds data that must not go).
    void keep() { m_keep = true; }

private:
    std::string nextName();
    // Links the unnamed file under `name`.
    bool linkUnnamed(const std::string& name) const;

    int m_dirFd;
    std::string m_base;
    int m_fd = -1;
    std::string m_name;
    bool m_keep = false;
    unsigned m_attempt = 0;
};
