// tagbench: measures the tag objects on a folder of MP3 files.
//
//   tagbench read DIR    load both tags of every .mp3 below DIR (warm cache)
//   tagbench write DIR   set and save the ID3v1 and ID3v2 title of each
//   tagbench records DIR create a file record for each, as the playlist does
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
};

constexpr Mode kModes[] = {
    {"read", "load both tags of every .mp3 below DIR", RunReadBench},
    {"write", "set and save the ID3v1 and ID3v2 title of every .mp3 below DIR", RunWriteBench},
    {"records", "create a file record for every .mp3 below DIR", RunRecordsBench},
};

int usage()
{
    std::cerr << "usage: tagbench MODE DIR\n";
    for (const Mode& mode : kModes)
        std::cerr << "  " << mode.name << ": " << mode.description << '\n';
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return usage();
    for (const Mode& mode : kModes)
        if (std::strcmp(argv[1], mode.name) == 0)
            return mode.run(argv[2]);
    return usage();
}
