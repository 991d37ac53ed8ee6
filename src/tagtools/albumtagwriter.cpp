#include "albumtagwriter.h"

#include "albumrelease.h"

#include "optionvalues.h"
#include "savetags.h"
#include "tagerror.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"

namespace {

QString Display(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The year of a date ("2001" of "2001-05-12"); empty when it has none.
std::string YearOf(const std::string& date)
{
    if (date.size() < 4)
        return {};
    for (std::size_t i = 0; i < 4; ++i) {
        if (date[i] < '0' || date[i] > '9')
            return {};
    }
    return date.substr(0, 4);
}

} // namespace

AlbumTagWriter::Texts AlbumTagWriter::TextsFor(const AlbumRelease& release, const ReleaseTrack& track)
{
    Texts texts;
    texts.title = track.title.toStdString();
    texts.artist = track.artist.toStdString();
    texts.album = release.title.toStdString();
    texts.albumArtist = release.artist.toStdString();
    texts.date = release.date.toStdString();
    texts.genre = release.genre.toStdString();
    texts.track = track.position;
    texts.trackTotal = track.discTracks;
    texts.disc = track.disc;
    texts.discTotal = release.discCount;
    texts.albumId = release.id.toStdString();
    texts.artistId = track.artistId.toStdString();
    texts.albumArtistId = release.artistId.toStdString();
    texts.releaseGroupId = release.releaseGroupId.toStdString();
    texts.releaseTrackId = track.trackId.toStdString();
    texts.recordingId = track.recordingId.toStdString();
    return texts;
}

std::string AlbumTagWriter::YearText(const std::string& date, const Tmp3TagV2& loaded)
{
    const std::string year = YearOf(date);
    const Id3v2WriteVersion version = loaded.Options().writeVersion;
    const bool written24 = version == Id3v2WriteVersion::V24
                           || (version == Id3v2WriteVersion::Keep && loaded.TagPresent() && loaded.MajorVersion() == 4);
    // Only a date of the form the tag knows: yyyy, yyyy-MM or yyyy-MM-dd.
    const bool dateForm = !year.empty() && (date.size() == 4 || date.size() == 7 || date.size() == 10);
    return written24 && dateForm ? date : year;
}

QStringList AlbumTagWriter::WriteFile(const std::string& path, const Texts& texts, const Choices& choices,
                                      FolderFlushes* laterFlushes)
{
    QStringList reasons;
    const TagOptions options = options::CurrentTagOptions();
    Tmp3TagV1 v1(options);
    bool setV1 = choices.v1;
    if (setV1) {
        try {
            v1.LoadFromFile(path);
            v1.SetTitle(texts.title);
            v1.SetArtist(texts.artist);
            v1.SetAlbum(texts.album);
            const std::string year = YearOf(texts.date);
            if (!year.empty())
                v1.SetYear(year);
            if (texts.track > 0 && texts.track <= 255)
                v1.SetTrack(texts.track);
            if (choices.genre && !texts.genre.empty())
                v1.SetGenre(texts.genre);
        } catch (const TagError& error) {
            reasons << QStringLiteral("ID3v1: ") + Display(error.what());
            setV1 = false;
        }
    }
    Tmp3TagV2 v2(options);
    const bool setV2 = v2.LoadFromFile(path);
    if (!setV2) {
        // A file whose tag cannot be read is not written blindly, not even
        // its ID3v1 tag: both tags change together.
        reasons << QStringLiteral("ID3v2: ") + Display(v2.LastError());
        return reasons;
    }
    v2.SetTitle(texts.title);
    v2.SetArtist(texts.artist);
    v2.SetAlbum(texts.album);
    const std::string year = YearText(texts.date, v2);
    if (!year.empty())
        v2.SetYear(year);
    if (choices.genre && !texts.genre.empty())
        v2.SetGenre(texts.genre);
    if (choices.cover)
        v2.SetFrontCover(*choices.cover);
    SetExtraFields(v2, texts, choices);
    const TagSaveFailures saved = SaveTags(path, setV1 ? &v1 : nullptr, &v2, laterFlushes);
    if (!saved.v1.empty())
        reasons << QStringLiteral("ID3v1: ") + Display(saved.v1);
    if (!saved.v2.empty())
        reasons << QStringLiteral("ID3v2: ") + Display(saved.v2);
    return reasons;
}

void AlbumTagWriter::SetExtraFields(Tmp3TagV2& tag, const Texts& texts, const Choices& choices)
{
    const auto numberOf = [](int number, int total) {
        return total > 0 ? std::to_string(number) + "/" + std::to_string(total) : std::to_string(number);
    };
    if (!texts.albumArtist.empty())
        tag.SetExtra(id3v2::kAlbumArtist, texts.albumArtist);
    if (texts.track > 0 && texts.track <= 65535)
        tag.SetTrackText(numberOf(texts.track, texts.trackTotal));
    if (texts.disc > 0)
        tag.SetExtra(id3v2::kDisc, numberOf(texts.disc, texts.discTotal));
    if (!choices.identifiers)
        return;
    // The user texts and the identifier of the recording under the names
    // and the owner other programs read them by.
    for (const auto& [description, id] : {std::pair {"MusicBrainz Album Id", &texts.albumId},
                                          std::pair {"MusicBrainz Artist Id", &texts.artistId},
                                          std::pair {"MusicBrainz Album Artist Id", &texts.albumArtistId},
                                          std::pair {"MusicBrainz Release Group Id", &texts.releaseGroupId},
                                          std::pair {"MusicBrainz Release Track Id", &texts.releaseTrackId}}) {
        if (!id->empty())
            tag.SetUserText(description, *id);
    }
    if (!texts.recordingId.empty())
        tag.SetUniqueFileId(kMusicBrainzOwner, texts.recordingId);
}
