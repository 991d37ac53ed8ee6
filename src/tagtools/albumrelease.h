#pragma once
// What the online album lookup works with: the search for an album, the
// releases it finds, and one release with its tracks, as the MusicBrainz
// web service describes them.

#include <QString>

#include <cstdint>
#include <vector>

// A search for the releases of one album.
struct ReleaseQuery {
    QString album;
    QString artist;
    // The number of tracks (the number of files looked up); 0 = any.
    int tracks = 0;
};

// One release a search found.
struct ReleaseCandidate {
    QString id;
    QString title;
    QString artist;  // the release's artist credit as one text
    QString date;    // "2001", "2001-05" or "2001-05-12"; may be empty
    QString country;
    QString format;  // the formats of its media, "CD" or "2xCD"
    int trackCount = 0;
    int score = 0;   // how well the service says it fits the search, 0..100
};

// One track of a release.
struct ReleaseTrack {
    int disc = 1;         // the position of its medium, from 1
    int position = 0;     // its position on the medium, from 1
    int discTracks = 0;   // the number of tracks on its medium
    QString title;
    QString artist;       // its artist credit as one text
    QString artistId;     // the first credited artist
    std::int64_t lengthMs = 0; // 0 = not known
    QString trackId;      // the track on this release
    QString recordingId;
};

// One release with its media and tracks.
struct AlbumRelease {
    QString id;
    QString title;
    QString artist;       // the release's artist credit as one text
    QString artistId;     // its first credited artist
    QString date;
    QString country;
    QString releaseGroupId;
    QString genre;        // the release's most voted genre, else its group's
    int discCount = 1;
    std::vector<ReleaseTrack> tracks; // disc by disc, in order
};
