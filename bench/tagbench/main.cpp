// tagbench: measures the tag objects on a folder of MP3 files.
//
//   tagbench read DIR    load both tags of every .mp3 below DIR (warm cache)
//   tagbench write DIR   set and save the ID3v1 and ID3v2 title of each
//   tagbench records DIR create a file record for each, as the playlist does
//   tagbench floor DIR [--cold]
//                        open each and read its first 10 and last 128 bytes
//                        (--cold: after dropping the page cache; root only)
//
// The last line of every mode is its summary (see benchreport.h).

#include "tagbenchmodes.h"

#include <cstring>
#include <iostream>

namespace {

struct Mode {
    const char* name;
    const char* description;
    int (*run)(const std::string& dir);
    // The same after dropping the page cache (`--cold`), where the mode has it.
    int (*runCold)(const std::string& dir) = nullptr;
};

constexpr Mode kModes[] = {
    {"read", "load both tags of every .mp3 below DIR", RunReadBench},
    {"write", "set and save the ID3v1 and ID3v2 title of every .mp3 below DIR", RunWriteBench},
    {"records", "create a file record for every .mp3 below DIR", RunRecordsBench},
    {"floor",
     "open every .mp3 below DIR and read its first 10 and last 128 bytes, one at a time "
     "(--cold: after dropping the page cache, as root)",
     RunFloorBench, RunColdFloorBench},
};

int usage()
{
    std::cerr << "usage: tagbench MODE DIR [--cold]\n";
    for (const Mode& mode : kModes)
        std::cerr << "  " << mode.name << ": " << mode.description << '\n';
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool cold = argc == 4 && std::strcmp(argv[3], "--cold") == 0;
    if (argc != 3 && !cold)
        return usage();
    for (const Mode& mode : kModes) {
        if (std::strcmp(argv[1], mode.name) != 0)
            continue;
        if (!cold)
            return mode.run(argv[2]);
        if (mode.runCold)
            return mode.runCold(argv[2]);
    }
    return usage();
}
