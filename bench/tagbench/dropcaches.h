#pragma once
// Cold-cache runs of the benchmarks: empties the page cache (and the cached
// folder entries and inodes) so that the next reads come from the disk.

#include <string>

// Runs sync(), then writes "3" to /proc/sys/vm/drop_caches. Only root may:
// otherwise, or when the write fails, says so on stderr (naming `program`)
// and returns false.
bool DropPageCache(const std::string& program);
