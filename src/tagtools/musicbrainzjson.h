#pragma once
// Reads the JSON answers of the MusicBrainz web service (version 2,
// fmt=json) and of the Cover Art Archive with Qt's JSON classes. Each
// reader returns false with the reason in `error` when the body is not
// JSON or lacks what the answer must hold; fields that a release may lack
// (date, country, lengths) are left empty.

#include "albumrelease.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <vector>

class QJsonArray;

class MusicBrainzJson final {
public:
    // The body of a release search (/ws/2/release/?query=...).
    static bool ReadReleaseSearch(const QByteArray& body, std::vector<ReleaseCandidate>& releases, QString& error);
    // The body of a release lookup with its recordings and artist credits
    // (/ws/2/release/ID?inc=...).
    static bool ReadRelease(const QByteArray& body, AlbumRelease& release, QString& error);
    // The address of the front cover in a Cover Art Archive listing
    // (/release/ID/): its 500-pixel thumbnail, or with `original` the image
    // itself. An empty address when the listing has no front cover.
    static bool ReadCoverListing(const QByteArray& body, bool original, QUrl& cover, QString& error);

    // An artist credit ("artist-credit") as one text: each credited name
    // followed by its join phrase.
    static QString CreditText(const QJsonArray& credit);
};
