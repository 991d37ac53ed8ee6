#include "benchreport.h"
#include "mp3walk.h"
#include "tagbenchmodes.h"

#include "tagerror.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"

#include <iostream>

namespace {

// Loads both tags and folds their texts into `checksum`, so that the work
// cannot be optimised away; false when a load failed.
bool loadBoth(const std::string& file, std::size_t& checksum)
{
    Tmp3TagV1 v1;
    try {
        v1.LoadFromFile(file);
    } catch (const TagError& e) {
        std::cerr << e.what() << '\n';
        return false;
    }
    Tmp3TagV2 v2;
    if (!v2.LoadFromFile(file)) {
        std::cerr << "cannot read the ID3v2 tag of " << file << '\n';
        return false;
    }
    checksum += v1.Title().size() + v1.Artist().size() + v1.Album().size() + v1.Comment().size()
        + static_cast<std::size_t>(v1.GenreID());
    checksum += v2.Title().size() + v2.Artist().size() + v2.Album().size() + v2.Comment().size()
        + v2.Genre().size() + v2.Year().size() + static_cast<std::size_t>(v2.Track());
    return true;
}

}  // namespace

int RunReadBench(const std::string& dir)
{
    return TimeReads(FindMp3Files(dir), loadBoth);
}
