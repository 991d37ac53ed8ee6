#pragma once
// The files a batch of tag writes or removals could not handle, with the
// reasons, and the one message that tells the user about them at the end.

#include <QString>

#include <string>
#include <vector>

class TagFailureList final {
public:
    // How many reasons the message lists before it only counts the rest.
    static constexpr int kListed = 5;

    // One failure of `path`; `reason` says what failed and why (and names
    // the file). Failures of one file come one after another.
    void Add(const std::string& path, std::string reason);
    // The failures of one file, in order (none: nothing failed there).
    void Add(const std::string& path, std::vector<std::string> reasons);
    bool Empty() const { return m_reasons.empty(); }
    // The number of files with at least one failure.
    int FileCount() const { return m_files; }
    // "N files could not be written:" and the first reasons, one a line.
    QString Message() const;

private:
    std::vector<std::string> m_reasons;
    std::string m_lastPath;
    int m_files = 0;
};
