// makecorpus: writes a folder of MP3 files with realistic tags for the tag
// benchmarks, using TagLib (a known-good writer that is independent of ours).
//
//   makecorpus DIR COUNT AUDIO_FILE [MIN_KB MAX_KB] [SEED] [--no-covers]
//
// Files go to DIR/Artist NN/Album NN/NN Title.mp3, twelve to an album. The
// audio is AUDIO_FILE repeated to a size between MIN_KB and MAX_KB (default
// 3000-6000, the size of a few minutes of 128 kbit/s MP3). The tags vary the
// way a real collection does:
//  - ID3v2.3 (half the albums) or ID3v2.4 (Latin-1, UTF-16 or UTF-8 texts);
//  - Latin, accented, Cyrillic and Japanese names;
//  - TRCK "n/12", TCON, TYER/TDRC, a comment plus an iTunNORM COMM frame,
//    TXXX replay-gain frames, TagLib's padding;
//  - a 30-100 KB cover picture (APIC) in every album but one in three
//    (none with --no-covers, for a corpus of many small files);
//  - an ID3v1 tag on four files in five.
// The same SEED gives the same files.

#include <attachedpictureframe.h>
#include <commentsframe.h>
#include <id3v1tag.h>
#include <id3v2framefactory.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <textidentificationframe.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <random>
#include <string>

#include <sys/stat.h>

namespace {

constexpr int kTracksPerAlbum = 12;
constexpr int kAlbumsPerArtist = 8;

const char* const kWords[] = {"Night", "River", "Echo", "Morning", "Glass", "Stone", "Summer", "Blue",
                              "Falling", "Light", "Heart", "Road", "Silver", "Dance", "Ocean", "Fire"};
const char* const kAccented[] = {"Café", "Mañana", "Über", "Noël", "Señor", "Déjà vu", "Fjäll", "Œuvre"};
const char* const kCyrillic[] = {"Спасибо", "Звезда", "Ночь", "Река", "Песня", "Ветер", "Город", "Любовь"};
const char* const kJapanese[] = {"日本", "さくら", "東京", "夜明け", "夢", "海辺", "ありがとう", "星空"};
const char* const kGenres[] = {"Rock", "Pop", "Jazz", "(17)", "Electronic", "Classical", "(13)Pop", "Hip-Hop"};

class Generator final {
public:
    explicit Generator(unsigned seed) : m_random(seed) {}

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    template <std::size_t N>
    const char* pick(const char* const (&list)[N]) { return list[below(static_cast<int>(N))]; }

    // A name in the script chosen for the artist: 0 Latin, 1 accented, 2 Cyrillic, 3 Japanese.
    std::string name(int script, int words)
    {
        std::string out;
        for (int i = 0; i < words; ++i) {
            if (i)
                out += ' ';
            switch (script) {
            case 1: out += i == 0 ? pick(kAccented) : pick(kWords); break;
            case 2: out += pick(kCyrillic); break;
            case 3: out += pick(kJapanese); break;
            default: out += pick(kWords); break;
            }
        }
        return out;
    }

    TagLib::ByteVector picture(int minBytes, int maxBytes)
    {
        const int size = minBytes + below(maxBytes - minBytes);
        TagLib::ByteVector data(static_cast<unsigned>(size), '\0');
        for (int i = 0; i < size; ++i)
            data[i] = static_cast<char>(below(256));
        const char jpegStart[] = {'\xFF', '\xD8', '\xFF', '\xE0'};
        for (int i = 0; i < 4; ++i)
            data[i] = jpegStart[i];
        data[size - 2] = '\xFF';
        data[size - 1] = '\xD9';
        return data;
    }

private:
    std::mt19937 m_random;
};

TagLib::String utf8(const std::string& text) { return TagLib::String(text, TagLib::String::UTF8); }

bool writeAudio(const std::string& path, const std::string& audio, std::size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (std::size_t written = 0; written < size && out; written += audio.size())
        out.write(audio.data(), static_cast<std::streamsize>(std::min(audio.size(), size - written)));
    return static_cast<bool>(out);
}

bool makeFolder(const std::string& path)
{
    return ::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

struct Album {
    int script = 0;
    bool v24 = false;
    bool cover = false;
    std::string artist;
    std::string title;
    std::string genre;
    int year = 0;
    TagLib::ByteVector picture;
};

}  // namespace

int main(int argc, char** argv)
{
    const bool covers = !(argc > 4 && std::strcmp(argv[argc - 1], "--no-covers") == 0);
    if (!covers)
        --argc;
    if (argc != 4 && argc != 6 && argc != 7) {
        std::cerr << "usage: makecorpus DIR COUNT AUDIO_FILE [MIN_KB MAX_KB] [SEED] [--no-covers]\n";
        return 2;
    }
    const std::string dir = argv[1];
    const int count = std::atoi(argv[2]);
    std::ifstream audioIn(argv[3], std::ios::binary);
    const std::string audio((std::istreambuf_iterator<char>(audioIn)), std::istreambuf_iterator<char>());
    const int minKb = argc >= 6 ? std::atoi(argv[4]) : 3000;
    const int maxKb = argc >= 6 ? std::atoi(argv[5]) : 6000;
    const unsigned seed = argc == 7 ? static_cast<unsigned>(std::atoi(argv[6])) : 1;
    if (count <= 0 || audio.empty() || minKb <= 0 || maxKb < minKb || !makeFolder(dir)) {
        std::cerr << "makecorpus: bad arguments, unreadable audio file or no folder " << dir << '\n';
        return 2;
    }

    Generator gen(seed);
    TagLib::ID3v2::FrameFactory& factory = *TagLib::ID3v2::FrameFactory::instance();
    Album album;
    std::string albumDir;
    for (int i = 0; i < count; ++i) {
        const int track = i % kTracksPerAlbum + 1;
        const int albumIndex = i / kTracksPerAlbum;
        if (track == 1) {
            const int artistIndex = albumIndex / kAlbumsPerArtist;
            if (albumIndex % kAlbumsPerArtist == 0) {
                const int roll = gen.below(10);
                album.script = roll < 6 ? 0 : roll < 8 ? 1 : roll < 9 ? 2 : 3;
                album.artist = gen.name(album.script, 1 + gen.below(2));
            }
            album.v24 = albumIndex % 2 == 1;
            album.cover = covers && albumIndex % 3 != 2;
            album.title = gen.name(album.script, 1 + gen.below(3));
            album.genre = gen.pick(kGenres);
            album.year = 1960 + gen.below(64);
            album.picture = album.cover ? gen.picture(30 * 1024, 100 * 1024) : TagLib::ByteVector();
            char artistName[32];
            char albumName[32];
            std::snprintf(artistName, sizeof artistName, "/Artist %03d", artistIndex);
            std::snprintf(albumName, sizeof albumName, "/Album %02d", albumIndex % kAlbumsPerArtist);
            albumDir = dir + artistName + albumName;
            if (!makeFolder(dir + artistName) || !makeFolder(albumDir)) {
                std::cerr << "makecorpus: cannot create " << albumDir << '\n';
                return 1;
            }
        }
        char fileName[32];
        std::snprintf(fileName, sizeof fileName, "/%02d Track.mp3", track);
        const std::string path = albumDir + fileName;
        const std::size_t size = static_cast<std::size_t>(minKb + gen.below(maxKb - minKb + 1)) * 1024;
        if (!writeAudio(path, audio, size)) {
            std::cerr << "makecorpus: cannot write " << path << '\n';
            return 1;
        }

        // ID3v2.4 albums spell their texts in UTF-8 half of the time; TagLib
        // itself falls back to UTF-16 when a text is not Latin-1 otherwise.
        factory.setDefaultTextEncoding(album.v24 && albumIndex % 4 == 1 ? TagLib::String::UTF8
                                                                         : TagLib::String::Latin1);
        TagLib::MPEG::File mp3(path.c_str(), false);
        TagLib::ID3v2::Tag* v2 = mp3.ID3v2Tag(true);
        v2->setTitle(utf8(gen.name(album.script, 1 + gen.below(4))));
        v2->setArtist(utf8(album.artist));
        v2->setAlbum(utf8(album.title));
        v2->setYear(static_cast<unsigned>(album.year));
        v2->setGenre(utf8(album.genre));
        v2->setComment(utf8("Ripped from CD " + std::to_string(albumIndex)));
        auto trackFrame = std::make_unique<TagLib::ID3v2::TextIdentificationFrame>("TRCK", factory.defaultTextEncoding());
        trackFrame->setText(std::to_string(track) + "/" + std::to_string(kTracksPerAlbum));
        v2->removeFrames("TRCK");
        v2->addFrame(trackFrame.release());

        auto norm = std::make_unique<TagLib::ID3v2::CommentsFrame>();
        norm->setDescription("iTunNORM");
        norm->setLanguage("eng");
        norm->setText(" 000003E8 000003E8 00002710 00002710 00000000 00000000 00007FFF 00007FFF");
        v2->addFrame(norm.release());
        const char* gains[][2] = {{"replaygain_track_gain", "-6.52 dB"}, {"replaygain_track_peak", "0.988"},
                                  {"MusicBrainz Album Id", "0b1e3c2a-5d7f-4a1b-9e0c-6f2d8a4b7c91"}};
        for (const auto& [key, value] : gains) {
            auto txxx = std::make_unique<TagLib::ID3v2::UserTextIdentificationFrame>(factory.defaultTextEncoding());
            txxx->setDescription(key);
            txxx->setText(value);
            v2->addFrame(txxx.release());
        }
        if (album.cover) {
            auto apic = std::make_unique<TagLib::ID3v2::AttachedPictureFrame>();
            apic->setMimeType("image/jpeg");
            apic->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
            apic->setDescription("cover");
            apic->setPicture(album.picture);
            v2->addFrame(apic.release());
        }

        int tags = TagLib::MPEG::File::ID3v2;
        if (gen.below(5) != 0) {
            TagLib::ID3v1::Tag* v1 = mp3.ID3v1Tag(true);
            v1->setTitle(v2->title());
            v1->setArtist(v2->artist());
            v1->setAlbum(v2->album());
            v1->setYear(v2->year());
            v1->setTrack(static_cast<unsigned>(track));
            v1->setGenre(album.genre);
            tags |= TagLib::MPEG::File::ID3v1;
        }
        if (!mp3.save(tags, TagLib::File::StripOthers, album.v24 ? TagLib::ID3v2::v4 : TagLib::ID3v2::v3)) {
            std::cerr << "makecorpus: TagLib cannot save " << path << '\n';
            return 1;
        }
    }
    std::cout << "made " << count << " files in " << dir << '\n';
    return 0;
}
