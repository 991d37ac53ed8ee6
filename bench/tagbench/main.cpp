// tagbench: measures the tag objects on a folder of MP3 files.
//
//   tagbench read DIR    load both tags of every .mp3 below DIR (warm cache)
//   tagbench write [--serial] DIR
//                        set and save the ID3v1 and ID3v2 title of each, many
//                        at once (--serial: one after another)
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
    // The mode's variant, where it has one: its option and what runs then.
    const char* option = nullptr;
    int (*runVariant)(const std::string& dir) = nullptr;
};

constexpr Mode kModes[] = {
    {"read", "load both tags of every .mp3 below DIR", RunReadBench},
    {"write",
     "set and save the ID3v1 and ID3v2 title of every .mp3 below DIR, many at once "
     "(--serial: one after another)",
     RunWriteBench, "--serial", RunSerialWriteBench},
    {"records", "create a file record for every .mp3 below DIR", RunRecordsBench},
    {"floor",
     "open every .mp3 below DIR and read its first 10 and last 128 bytes, one at a time "
     "(--cold: after dropping the page cache, as root)",
     RunFloorBench, "--cold", RunColdFloorBench},
};

int usage()
{
    std::cerr << "usage: tagbench MODE [OPTION] DIR\n";
    for (const Mode& mode : kModes)
        std::cerr << "  " << mode.name << ": " << mode.description << '\n';
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4)
        return usage();
    for (const Mode& mode : kModes) {
        if (std::strcmp(argv[1], mode.name) != 0)
            continue;
        if (argc == 3)
            return mode.run(argv[2]);
        // The option goes before or after the folder.
        if (!mode.option)
            return usage();
        if (std::strcmp(argv[2], mode.option) == 0)
            return mode.runVariant(argv[3]);
        if (std::strcmp(argv[3], mode.option) == 0)
            return mode.runVariant(argv[2]);
    }
    return usage();
}
