// taglibread: the reading half of tagbench done with TagLib, for comparison.
//
//   taglibread [--audio] DIR
//
// Loads the ID3v1 and ID3v2 tags of every .mp3 below DIR (the same walk as
// tagbench) with TagLib::MPEG::File and reads the same seven values; with
// --audio also the audio properties (length, bitrate, sample rate,
// channels; TagLib's Average style), as tagbench read does. One untimed
// pass to warm the page cache, then the timed pass. Last line
// "read N files in S s: R files/s".

#include "benchreport.h"
#include "mp3walk.h"

#include <id3v1tag.h>
#include <id3v2tag.h>
#include <mpegfile.h>

#include <iostream>

namespace {

std::size_t fold(const TagLib::Tag& tag)
{
    return tag.title().size() + tag.artist().size() + tag.album().size() + tag.comment().size()
        + tag.genre().size() + tag.year() + tag.track();
}

bool withAudio = false;

bool loadBoth(const std::string& file, std::size_t& checksum)
{
    TagLib::MPEG::File mp3(file.c_str(), withAudio, TagLib::AudioProperties::Average);
    if (!mp3.isValid()) {
        std::cerr << "TagLib cannot read " << file << '\n';
        return false;
    }
    if (const TagLib::ID3v1::Tag* v1 = mp3.ID3v1Tag())
        checksum += fold(*v1);
    if (const TagLib::ID3v2::Tag* v2 = mp3.ID3v2Tag())
        checksum += fold(*v2);
    if (const TagLib::AudioProperties* audio = withAudio ? mp3.audioProperties() : nullptr) {
        checksum += static_cast<std::size_t>(audio->lengthInMilliseconds() + audio->bitrate() + audio->sampleRate()
                                             + audio->channels());
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string option = argc == 3 ? argv[1] : "";
    if (argc < 2 || argc > 3 || (argc == 3 && option != "--audio")) {
        std::cerr << "usage: taglibread [--audio] DIR\n";
        return 2;
    }
    withAudio = argc == 3;
    return TimeReads(FindMp3Files(argv[argc - 1]), loadBoth);
}
