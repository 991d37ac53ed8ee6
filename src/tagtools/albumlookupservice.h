#pragma once
// The online service the album lookup asks: a search for releases, one
// release with its tracks, and the front cover of a release. Every answer
// comes later, on the UI thread, through the callback given; `error` is
// empty when the request worked and otherwise says what failed, as a
// sentence for the user. After CancelAll no callback of an earlier request
// runs.

#include "albumrelease.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

class AlbumLookupService {
public:
    template <typename T>
    using Reply = std::function<void(const QString& error, const T& value)>;

    virtual ~AlbumLookupService() = default;

    virtual void SearchReleases(const ReleaseQuery& query, Reply<std::vector<ReleaseCandidate>> reply) = 0;
    virtual void LookUpRelease(const QString& releaseId, Reply<AlbumRelease> reply) = 0;
    // The bytes of the release's front cover: the 500-pixel image, or with
    // `original` the image as it was uploaded. No error and no bytes: the
    // release has no front cover.
    virtual void FetchFrontCover(const QString& releaseId, bool original, Reply<QByteArray> reply) = 0;
    virtual void CancelAll() = 0;
    // Requests are waiting or running.
    virtual bool Busy() const = 0;
};
