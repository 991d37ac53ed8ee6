#pragma once
// Writes what a release says of one of its tracks into the tags of one
// file: title, artist, album, track n/N, disc n/N, album artist and year
// (the full date in an ID3v2.4 tag), and as chosen the genre, the
// MusicBrainz identifiers and a front cover. The ID3v2 tag always, the
// ID3v1 tag when asked (the fields it holds). Each file goes through the
// one save of both tags (SaveTags); every other field and frame stays.

#include <QStringList>

#include <memory>
#include <string>

class FolderFlushes;
class Tmp3TagV2;
struct AlbumRelease;
struct ReleaseTrack;

class AlbumTagWriter final {
public:
    // The owner of the UFID frame that holds the MusicBrainz recording id.
    static constexpr const char* kMusicBrainzOwner = "http://musicbrainz.org";

    // The texts one file gets, UTF-8.
    struct Texts {
        std::string title, artist, album, albumArtist, date, genre;
        int track = 0, trackTotal = 0, disc = 0, discTotal = 0;
        // The MusicBrainz identifiers.
        std::string albumId, artistId, albumArtistId, releaseGroupId, releaseTrackId, recordingId;
    };
    struct Choices {
        bool genre = false;
        bool identifiers = false;
        bool v1 = false;
        // The front cover to set (checked with Tmp3TagV2::CheckPicture);
        // none: the cover stays as it is.
        std::shared_ptr<const std::string> cover;
    };

    static Texts TextsFor(const AlbumRelease& release, const ReleaseTrack& track);
    // The year as the tag takes it: the full date ("2001-05-12") for a tag
    // that is written as ID3v2.4, the year alone otherwise.
    static std::string YearText(const std::string& date, const Tmp3TagV2& loaded);
    // Writes one file. Returns the reasons of its failures ("ID3v1: ...",
    // "ID3v2: ..."), none when all worked. Touches no widget: runs on the
    // worker pool (see Tmp3TagV2::SaveToFile for `laterFlushes`).
    static QStringList WriteFile(const std::string& path, const Texts& texts, const Choices& choices,
                                 FolderFlushes* laterFlushes = nullptr);
    // The fields beyond the seven: album artist, track and disc with their
    // totals ("3/12"), and with `choices.identifiers` the MusicBrainz
    // identifiers as other programs store them (TXXX frames, and a UFID
    // frame of the recording). Set on the loaded tag before its save.
    static void SetExtraFields(Tmp3TagV2& tag, const Texts& texts, const Choices& choices);
};
