#pragma once
// Rewrites an MP3 file with a new beginning, crash-safely: the new content is
// written to a temporary file beside the real file (its name with "~"
// appended), flushed to disk, and renamed over the original in one atomic
// step. On any failure before the rename the original is untouched and the
// temporary file is removed. The permission bits (and, for root, the owner)
// are kept; a symbolic link is followed, its target rewritten, and the link
// stays a link.

#include <cstdint>
#include <string>
#include <string_view>

// `fd` is the open original, `fileName` its name as the caller gave it.
// The result is `head` followed by the original's bytes from `skip` on.
// On failure errno holds the reason.
bool RebuildFile(const std::string& fileName, int fd, std::int64_t skip, std::string_view head);
