#include "musicbrainzjson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include <algorithm>

namespace {

// The document's root object; false with the reason when there is none.
bool RootObject(const QByteArray& body, QJsonObject& root, QString& error)
{
    QJsonParseError parse {};
    const QJsonDocument document = QJsonDocument::fromJson(body, &parse);
    if (parse.error != QJsonParseError::NoError) {
        error = QStringLiteral("it is not valid JSON (%1 at byte %2)").arg(parse.errorString()).arg(parse.offset);
        return false;
    }
    if (!document.isObject()) {
        error = QStringLiteral("it is not a JSON object");
        return false;
    }
    root = document.object();
    return true;
}

// A number the service may also send as a text ("score": "100").
qint64 Number(const QJsonValue& value)
{
    if (value.isDouble())
        return static_cast<qint64>(value.toDouble());
    if (value.isString())
        return value.toString().toLongLong();
    return 0;
}

QString FirstArtistId(const QJsonArray& credit)
{
    for (const QJsonValue& name : credit) {
        const QString id = name.toObject().value(QStringLiteral("artist")).toObject().value(QStringLiteral("id")).toString();
        if (!id.isEmpty())
            return id;
    }
    return {};
}

// "CD", "2xCD", or the different formats joined: "CD + DVD".
QString FormatText(const QJsonArray& media)
{
    QStringList formats;
    for (const QJsonValue& medium : media)
        formats << medium.toObject().value(QStringLiteral("format")).toString();
    if (formats.isEmpty())
        return {};
    if (formats.count(formats.front()) == formats.size())
        return formats.size() == 1 ? formats.front() : QStringLiteral("%1x%2").arg(formats.size()).arg(formats.front());
    formats.removeAll(QString());
    return formats.join(QStringLiteral(" + "));
}

// The name of the genre with the most votes; empty without genres.
QString TopGenre(const QJsonArray& genres)
{
    QString best;
    qint64 votes = -1;
    for (const QJsonValue& genre : genres) {
        const QJsonObject object = genre.toObject();
        const QString name = object.value(QStringLiteral("name")).toString();
        const qint64 count = Number(object.value(QStringLiteral("count")));
        if (!name.isEmpty() && count > votes) {
            best = name;
            votes = count;
        }
    }
    return best;
}

} // namespace

QString MusicBrainzJson::CreditText(const QJsonArray& credit)
{
    QString text;
    for (const QJsonValue& value : credit) {
        const QJsonObject name = value.toObject();
        QString credited = name.value(QStringLiteral("name")).toString();
        if (credited.isEmpty())
            credited = name.value(QStringLiteral("artist")).toObject().value(QStringLiteral("name")).toString();
        text += credited + name.value(QStringLiteral("joinphrase")).toString();
    }
    return text;
}

bool MusicBrainzJson::ReadReleaseSearch(const QByteArray& body, std::vector<ReleaseCandidate>& releases,
                                        QString& error)
{
    releases.clear();
    QJsonObject root;
    if (!RootObject(body, root, error))
        return false;
    const QJsonValue list = root.value(QStringLiteral("releases"));
    if (!list.isArray()) {
        error = QStringLiteral("it holds no list of releases");
        return false;
    }
    for (const QJsonValue& value : list.toArray()) {
        const QJsonObject release = value.toObject();
        ReleaseCandidate candidate;
        candidate.id = release.value(QStringLiteral("id")).toString();
        if (candidate.id.isEmpty())
            continue;
        candidate.title = release.value(QStringLiteral("title")).toString();
        candidate.artist = CreditText(release.value(QStringLiteral("artist-credit")).toArray());
        candidate.date = release.value(QStringLiteral("date")).toString();
        candidate.country = release.value(QStringLiteral("country")).toString();
        const QJsonArray media = release.value(QStringLiteral("media")).toArray();
        candidate.format = FormatText(media);
        candidate.trackCount = static_cast<int>(Number(release.value(QStringLiteral("track-count"))));
        if (candidate.trackCount == 0) {
            for (const QJsonValue& medium : media)
                candidate.trackCount += static_cast<int>(Number(medium.toObject().value(QStringLiteral("track-count"))));
        }
        candidate.score = static_cast<int>(Number(release.value(QStringLiteral("score"))));
        releases.push_back(std::move(candidate));
    }
    return true;
}

bool MusicBrainzJson::ReadRelease(const QByteArray& body, AlbumRelease& release, QString& error)
{
    release = {};
    QJsonObject root;
    if (!RootObject(body, root, error))
        return false;
    release.id = root.value(QStringLiteral("id")).toString();
    const QJsonValue media = root.value(QStringLiteral("media"));
    if (release.id.isEmpty() || !media.isArray()) {
        error = QStringLiteral("it holds no release with media");
        return false;
    }
    release.title = root.value(QStringLiteral("title")).toString();
    const QJsonArray credit = root.value(QStringLiteral("artist-credit")).toArray();
    release.artist = CreditText(credit);
    release.artistId = FirstArtistId(credit);
    release.date = root.value(QStringLiteral("date")).toString();
    release.country = root.value(QStringLiteral("country")).toString();
    const QJsonObject group = root.value(QStringLiteral("release-group")).toObject();
    release.releaseGroupId = group.value(QStringLiteral("id")).toString();
    release.genre = TopGenre(root.value(QStringLiteral("genres")).toArray());
    if (release.genre.isEmpty())
        release.genre = TopGenre(group.value(QStringLiteral("genres")).toArray());

    const QJsonArray discs = media.toArray();
    release.discCount = std::max<int>(1, static_cast<int>(discs.size()));
    int discIndex = 0;
    for (const QJsonValue& value : discs) {
        ++discIndex;
        const QJsonObject medium = value.toObject();
        const QJsonArray tracks = medium.value(QStringLiteral("tracks")).toArray();
        const int disc = static_cast<int>(Number(medium.value(QStringLiteral("position"))));
        int discTracks = static_cast<int>(Number(medium.value(QStringLiteral("track-count"))));
        if (discTracks <= 0)
            discTracks = static_cast<int>(tracks.size());
        int trackIndex = 0;
        for (const QJsonValue& item : tracks) {
            ++trackIndex;
            const QJsonObject track = item.toObject();
            const QJsonObject recording = track.value(QStringLiteral("recording")).toObject();
            ReleaseTrack out;
            out.disc = disc > 0 ? disc : discIndex;
            const int position = static_cast<int>(Number(track.value(QStringLiteral("position"))));
            out.position = position > 0 ? position : trackIndex;
            out.discTracks = discTracks;
            out.title = track.value(QStringLiteral("title")).toString();
            if (out.title.isEmpty())
                out.title = recording.value(QStringLiteral("title")).toString();
            QJsonArray trackCredit = track.value(QStringLiteral("artist-credit")).toArray();
            if (trackCredit.isEmpty())
                trackCredit = recording.value(QStringLiteral("artist-credit")).toArray();
            if (trackCredit.isEmpty())
                trackCredit = credit;
            out.artist = CreditText(trackCredit);
            out.artistId = FirstArtistId(trackCredit);
            out.lengthMs = Number(track.value(QStringLiteral("length")));
            if (out.lengthMs <= 0)
                out.lengthMs = std::max<qint64>(0, Number(recording.value(QStringLiteral("length"))));
            out.trackId = track.value(QStringLiteral("id")).toString();
            out.recordingId = recording.value(QStringLiteral("id")).toString();
            release.tracks.push_back(std::move(out));
        }
    }
    return true;
}

bool MusicBrainzJson::ReadCoverListing(const QByteArray& body, bool original, QUrl& cover, QString& error)
{
    cover.clear();
    QJsonObject root;
    if (!RootObject(body, root, error))
        return false;
    const QJsonValue images = root.value(QStringLiteral("images"));
    if (!images.isArray()) {
        error = QStringLiteral("it holds no list of images");
        return false;
    }
    for (const QJsonValue& value : images.toArray()) {
        const QJsonObject image = value.toObject();
        const bool front = image.value(QStringLiteral("front")).toBool()
                           || image.value(QStringLiteral("types")).toArray().contains(QStringLiteral("Front"));
        if (!front)
            continue;
        const QJsonObject thumbnails = image.value(QStringLiteral("thumbnails")).toObject();
        QString address;
        if (!original) {
            address = thumbnails.value(QStringLiteral("500")).toString();
            if (address.isEmpty())
                address = thumbnails.value(QStringLiteral("large")).toString();
        }
        if (address.isEmpty())
            address = image.value(QStringLiteral("image")).toString();
        cover = QUrl(address);
        if (!cover.isValid() || cover.scheme().isEmpty()) {
            error = QStringLiteral("the address of its front cover is not valid");
            cover.clear();
            return false;
        }
        return true;
    }
    return true;
}
