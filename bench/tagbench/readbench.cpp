#include "benchreport.h"
#include "mp3walk.h"
#include "tagbenchmodes.h"

#include "audioproperties.h"
#include "filedescriptor.h"
#include "tagerror.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"

#include <iostream>

#include <fcntl.h>

namespace {

// Loads both tags and the audio properties through one open, as a file
// record does, and folds them into `checksum`, so that the work cannot be
// optimised away; false when a load failed.
bool loadBoth(const std::string& file, std::size_t& checksum)
{
    const FileDescriptor fd = OpenRegularFile(file, O_RDONLY);
    if (!fd.valid()) {
        std::cerr << "cannot open " << file << '\n';
        return false;
    }
    Tmp3TagV1 v1;
    try {
        v1.LoadFromOpenFile(fd.get(), file);
    } catch (const TagError& e) {
        std::cerr << e.what() << '\n';
        return false;
    }
    Tmp3TagV2 v2;
    if (!v2.LoadFromOpenFile(fd.get())) {
        std::cerr << "cannot read the ID3v2 tag of " << file << '\n';
        return false;
    }
    checksum += v1.Title().size() + v1.Artist().size() + v1.Album().size() + v1.Comment().size()
        + static_cast<std::size_t>(v1.GenreID());
    checksum += v2.Title().size() + v2.Artist().size() + v2.Album().size() + v2.Comment().size()
        + v2.Genre().size() + v2.Year().size() + static_cast<std::size_t>(v2.Track());
    if (const std::optional<AudioProperties> audio = ReadAudioProperties(fd.get()))
        checksum += static_cast<std::size_t>(audio->lengthMs + audio->bitrateKbps + audio->sampleRate + audio->channels);
    return true;
}

}  // namespace

int RunReadBench(const std::string& dir)
{
    return TimeReads(FindMp3Files(dir), loadBoth);
}
