#include "dropcaches.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>

#include <unistd.h>

bool DropPageCache(const std::string& program)
{
    if (::geteuid() != 0) {
        std::cerr << program
                  << ": --cold must run as root: it drops the page cache (sync, then 3 written to "
                     "/proc/sys/vm/drop_caches)\n";
        return false;
    }
    ::sync();
    std::ofstream control("/proc/sys/vm/drop_caches");
    control << "3\n";
    control.flush();
    if (!control) {
        std::cerr << program << ": cannot drop the page cache: writing /proc/sys/vm/drop_caches failed: "
                  << std::strerror(errno) << '\n';
        return false;
    }
    return true;
}
