#include "tfrmalbumlookup.h"

#include "albumlookupservice.h"
#include "albumtagwriter.h"
#include "musicbrainzclient.h"
#include "tagfailurelist.h"
#include "tpreviewmodel.h"
#include "v1losscheck.h"

#include "mainwindowregistry.h"
#include "optionvalues.h"
#include "playlistrows.h"
#include "progresswindows.h"
#include "prompts.h"
#include "tfileinfo.h"
#include "tmp3tagv2.h"
#include "tundorecorder.h"
#include "writebatch.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString Display(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString LengthText(std::int64_t ms)
{
    if (ms <= 0)
        return {};
    const std::int64_t seconds = (ms + 500) / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// The text most of the files give; empty when none gives one.
QString MostCommon(const std::vector<std::string>& texts)
{
    std::map<std::string, int> counts;
    for (const std::string& text : texts)
        if (!text.empty())
            ++counts[text];
    const auto best = std::max_element(counts.begin(), counts.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
    return best == counts.end() ? QString() : Display(best->first);
}

QTableView* NewList(QWidget* parent, const char* name, TPreviewModel* model, const QString& accessibleName)
{
    auto* list = new QTableView(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setAccessibleName(accessibleName);
    list->setModel(model);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setWordWrap(false);
    list->verticalHeader()->hide();
    list->horizontalHeader()->setStretchLastSection(true);
    // Each column starts as wide as its heading.
    list->resizeColumnsToContents();
    return list;
}

} // namespace

TfrmAlbumLookup::TfrmAlbumLookup(PlaylistRows& playlist, Prompts& prompts, AlbumLookupService& service,
                                 QWidget* parent)
    : QDialog(parent)
    , m_playlist(playlist)
    , m_prompts(prompts)
    , m_service(service)
{
    setObjectName(QStringLiteral("frmAlbumLookup"));
    setWindowTitle(QStringLiteral("Look up album online"));
    m_releaseList = new TPreviewModel({QStringLiteral("Title"), QStringLiteral("Artist"), QStringLiteral("Date"),
                                       QStringLiteral("Country"), QStringLiteral("Format"), QStringLiteral("Tracks"),
                                       QStringLiteral("Lengths")},
                                      false, {}, this);
    m_trackList = new TPreviewModel({QStringLiteral("File"), QStringLiteral("Length"), QStringLiteral("Track"),
                                     QStringLiteral("Title on the release"), QStringLiteral("Length")},
                                    true, {}, this);
    BuildWindow();
    ReadFiles();
    const QString files = m_files.size() == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(m_files.size());
    SetStatus(files + QStringLiteral(". Search for the album's releases."), false);
}

TfrmAlbumLookup::~TfrmAlbumLookup()
{
    m_service.CancelAll();
}

void TfrmAlbumLookup::BuildWindow()
{
    edtAlbum = new QLineEdit(this);
    edtAlbum->setObjectName(QStringLiteral("edtAlbum"));
    auto* album = new QLabel(QStringLiteral("Al&bum:"), this);
    album->setBuddy(edtAlbum);
    edtArtist = new QLineEdit(this);
    edtArtist->setObjectName(QStringLiteral("edtArtist"));
    auto* artist = new QLabel(QStringLiteral("A&rtist:"), this);
    artist->setBuddy(edtArtist);
    btnSearch = new QPushButton(QStringLiteral("&Search"), this);
    btnSearch->setObjectName(QStringLiteral("btnSearch"));
    btnStop = new QPushButton(QStringLiteral("S&top"), this);
    btnStop->setObjectName(QStringLiteral("btnStop"));
    labStatus = new QLabel(this);
    labStatus->setObjectName(QStringLiteral("labStatus"));
    labStatus->setTextFormat(Qt::PlainText);
    labStatus->setWordWrap(true);

    lvReleases = NewList(this, "lvReleases", m_releaseList, QStringLiteral("Releases"));
    lvTracks = NewList(this, "lvTracks", m_trackList, QStringLiteral("Files and tracks"));
    cbTrackForFile = new QComboBox(this);
    cbTrackForFile->setObjectName(QStringLiteral("cbTrackForFile"));
    auto* trackFor = new QLabel(QStringLiteral("Trac&k of the selected file:"), this);
    trackFor->setBuddy(cbTrackForFile);

    cbGenre = new QCheckBox(QStringLiteral("Set the &genre"), this);
    cbGenre->setObjectName(QStringLiteral("cbGenre"));
    cbIdentifiers = new QCheckBox(QStringLiteral("Write the MusicBrainz &identifiers"), this);
    cbIdentifiers->setObjectName(QStringLiteral("cbIdentifiers"));
    cbCover = new QCheckBox(QStringLiteral("Set the front co&ver"), this);
    cbCover->setObjectName(QStringLiteral("cbCover"));
    cbOriginalCover = new QCheckBox(QStringLiteral("Cover in its &original size (else 500 pixels)"), this);
    cbOriginalCover->setObjectName(QStringLiteral("cbOriginalCover"));
    cbSetV1 = new QCheckBox(QStringLiteral("Also set the ID3 v&1 tag"), this);
    cbSetV1->setObjectName(QStringLiteral("cbSetV1"));
    btnApply = new QPushButton(QStringLiteral("&Apply"), this);
    btnApply->setObjectName(QStringLiteral("btnApply"));
    btnClose = new QPushButton(QStringLiteral("&Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));

    auto* search = new QGridLayout;
    search->addWidget(album, 0, 0);
    search->addWidget(edtAlbum, 0, 1);
    search->addWidget(artist, 1, 0);
    search->addWidget(edtArtist, 1, 1);
    search->addWidget(btnSearch, 0, 2);
    search->addWidget(btnStop, 1, 2);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(lvReleases);
    auto* right = new QWidget(splitter);
    auto* tracks = new QVBoxLayout(right);
    tracks->setContentsMargins(0, 0, 0, 0);
    tracks->addWidget(lvTracks, 1);
    auto* choice = new QHBoxLayout;
    choice->addWidget(trackFor);
    choice->addWidget(cbTrackForFile, 1);
    tracks->addLayout(choice);
    splitter->addWidget(right);
    auto* extras = new QGridLayout;
    extras->addWidget(cbGenre, 0, 0);
    extras->addWidget(cbIdentifiers, 1, 0);
    extras->addWidget(cbSetV1, 2, 0);
    extras->addWidget(cbCover, 0, 1);
    extras->addWidget(cbOriginalCover, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnApply);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(search);
    layout->addWidget(labStatus);
    layout->addWidget(splitter, 1);
    layout->addLayout(extras);
    layout->addLayout(buttons);
    resize(980, 560);

    btnSearch->setDefault(true);
    connect(btnSearch, &QPushButton::clicked, this, &TfrmAlbumLookup::btnSearchClick);
    connect(btnStop, &QPushButton::clicked, this, &TfrmAlbumLookup::btnStopClick);
    connect(btnApply, &QPushButton::clicked, this, &TfrmAlbumLookup::btnApplyClick);
    connect(btnClose, &QPushButton::clicked, this, &TfrmAlbumLookup::reject);
    connect(cbCover, &QCheckBox::toggled, this, &TfrmAlbumLookup::UpdateButtons);
    connect(lvReleases->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    SelectRelease(current.row());
            });
    connect(lvTracks->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TfrmAlbumLookup::UpdateTrackChoice);
    connect(cbTrackForFile, &QComboBox::activated, this, [this](int index) {
        const QModelIndex current = lvTracks->currentIndex();
        if (current.isValid())
            SetTrackOfFile(current.row(), index - 1);
    });
    // The user's checks follow the files through every new matching.
    connect(m_trackList, &TPreviewModel::dataChanged, this, [this] {
        for (int row = 0; row < m_trackList->Count() && row < static_cast<int>(m_files.size()); ++row)
            m_files[static_cast<std::size_t>(row)].checked = m_trackList->RowAt(row).checked;
        UpdateButtons();
    });
}

void TfrmAlbumLookup::ReadFiles()
{
    std::vector<std::string> albums, artists;
    for (const int row : m_playlist.SelectedRows()) {
        TFileInfo* record = m_playlist.FileAt(row);
        if (!record)
            continue;
        File file;
        file.record = record;
        file.path = record->FullPath();
        const SongTags& tags = record->Tags();
        file.match.title = Display(tags.title);
        if (file.match.title.trimmed().isEmpty()) {
            file.match.title = Display(record->FileName());
            if (file.match.title.endsWith(QStringLiteral(".mp3"), Qt::CaseInsensitive))
                file.match.title.chop(4);
        }
        file.match.track = tags.track;
        file.match.disc = tags.disc;
        if (record->Audio())
            file.match.lengthMs = record->Audio()->lengthMs;
        albums.push_back(tags.album);
        artists.push_back(tags.albumArtist.empty() ? tags.artist : tags.albumArtist);
        m_files.push_back(std::move(file));
    }
    edtAlbum->setText(MostCommon(albums));
    edtArtist->setText(MostCommon(artists));
    ShowTracks();
}

bool TfrmAlbumLookup::Busy() const
{
    return m_busy;
}

const AlbumRelease* TfrmAlbumLookup::ShownRelease() const
{
    const auto it = m_known.find(m_shown);
    return it == m_known.end() ? nullptr : &it->second;
}

void TfrmAlbumLookup::SetStatus(const QString& text, bool busy)
{
    m_busy = busy;
    labStatus->setText(text);
    UpdateButtons();
    emit stateChanged();
}

void TfrmAlbumLookup::Failed(const QString& message)
{
    SetStatus(message, false);
    m_prompts.showError(QStringLiteral("Look up album online"), message);
}

void TfrmAlbumLookup::UpdateButtons()
{
    btnSearch->setEnabled(!m_busy);
    btnStop->setEnabled(m_busy);
    const bool matched = std::any_of(m_files.begin(), m_files.end(), [this](const File& file) {
        const std::size_t f = static_cast<std::size_t>(&file - m_files.data());
        return file.checked && f < m_matching.size() && m_matching[f] >= 0;
    });
    btnApply->setEnabled(!m_busy && ShownRelease() && matched);
    cbOriginalCover->setEnabled(cbCover->isChecked());
    cbTrackForFile->setEnabled(!m_busy && ShownRelease() && lvTracks->currentIndex().isValid());
}

void TfrmAlbumLookup::btnSearchClick()
{
    if (m_busy)
        return;
    ReleaseQuery query;
    query.album = edtAlbum->text().trimmed();
    query.artist = edtArtist->text().trimmed();
    query.tracks = static_cast<int>(m_files.size());
    if (query.album.isEmpty() && query.artist.isEmpty()) {
        m_prompts.showError(QStringLiteral("Look up album online"),
                            QStringLiteral("Give the album or the artist to search for."));
        return;
    }
    m_candidates.clear();
    m_releaseList->Clear();
    m_shown.clear();
    m_wanted.clear();
    m_matching.assign(m_files.size(), -1);
    ShowTracks();
    SetStatus(QStringLiteral("Searching MusicBrainz ..."), true);
    Search(query);
}

void TfrmAlbumLookup::Search(ReleaseQuery query)
{
    m_service.SearchReleases(query, [this, query](const QString& error, const std::vector<ReleaseCandidate>& found) {
        if (!error.isEmpty())
            return Failed(error);
        // Files missing from the album, or bonus tracks, make another
        // count: then any release of the album and artist is listed.
        if (found.empty() && query.tracks > 0) {
            ReleaseQuery anyCount = query;
            anyCount.tracks = 0;
            SetStatus(QStringLiteral("No release has %1 tracks; searching for any number of tracks ...")
                          .arg(query.tracks),
                      true);
            return Search(anyCount);
        }
        m_candidates = found;
        std::vector<TPreviewModel::Row> rows;
        for (const ReleaseCandidate& release : m_candidates) {
            TPreviewModel::Row row;
            row.texts = {release.title, release.artist, release.date, release.country, release.format,
                         QString::number(release.trackCount), QString()};
            rows.push_back(std::move(row));
        }
        m_releaseList->SetRows(std::move(rows));
        for (const auto& [id, release] : m_known)
            ReleaseLengthsKnown(release);
        if (m_candidates.empty())
            return SetStatus(QStringLiteral("No release was found. Change the album or the artist and search again."),
                             false);
        SetStatus(QStringLiteral("%1 releases found.").arg(m_candidates.size()), false);
        lvReleases->setCurrentIndex(m_releaseList->index(0, 0));
        // The next few releases' tracks follow in the background, so that
        // their lengths can be compared before they are chosen.
        for (std::size_t row = 1; row < m_candidates.size() && row < kReleasesReadAhead; ++row)
            ReadAhead(m_candidates[row].id);
    });
}

void TfrmAlbumLookup::ReadAhead(const QString& releaseId)
{
    if (m_known.count(releaseId) != 0)
        return;
    m_service.LookUpRelease(releaseId, [this](const QString& error, const AlbumRelease& release) {
        // A release that could not be read is asked for again, with its
        // message, when it is chosen.
        if (!error.isEmpty())
            return;
        m_known.emplace(release.id, release);
        ReleaseLengthsKnown(release);
    });
}

void TfrmAlbumLookup::btnStopClick()
{
    m_service.CancelAll();
    m_wanted.clear();
    SetStatus(QStringLiteral("Stopped."), false);
}

void TfrmAlbumLookup::SelectRelease(int row)
{
    if (row < 0 || row >= static_cast<int>(m_candidates.size()))
        return;
    const QString id = m_candidates[static_cast<std::size_t>(row)].id;
    if (const auto known = m_known.find(id); known != m_known.end())
        return ShowRelease(known->second);
    // One lookup at a time: a later choice replaces one not yet made.
    const bool asked = !m_wanted.isEmpty();
    m_wanted = id;
    if (asked)
        return;
    SetStatus(QStringLiteral("Reading the tracks of the release ..."), true);
    m_service.LookUpRelease(id, [this](const QString& error, const AlbumRelease& release) {
        const QString wanted = m_wanted;
        m_wanted.clear();
        if (!error.isEmpty())
            return Failed(error);
        m_known.insert_or_assign(release.id, release);
        ReleaseLengthsKnown(release);
        if (wanted != release.id) {
            const auto again = std::find_if(m_candidates.begin(), m_candidates.end(),
                                            [&wanted](const ReleaseCandidate& c) { return c.id == wanted; });
            m_busy = false;
            if (again != m_candidates.end())
                return SelectRelease(static_cast<int>(again - m_candidates.begin()));
        }
        SetStatus(QStringLiteral("%1 tracks on the release.").arg(release.tracks.size()), false);
        ShowRelease(release);
    });
}

void TfrmAlbumLookup::ShowRelease(const AlbumRelease& release)
{
    m_shown = release.id;
    std::vector<TrackMatcher::File> files;
    for (const File& file : m_files)
        files.push_back(file.match);
    m_matching = TrackMatcher::Match(files, release.tracks);
    cbTrackForFile->clear();
    cbTrackForFile->addItem(QStringLiteral("<none>"));
    for (const ReleaseTrack& track : release.tracks)
        cbTrackForFile->addItem(QStringLiteral("%1.%2 %3 (%4)")
                                    .arg(track.disc)
                                    .arg(track.position)
                                    .arg(track.title, LengthText(track.lengthMs)));
    ShowTracks();
    emit stateChanged();
}

void TfrmAlbumLookup::ReleaseLengthsKnown(const AlbumRelease& release)
{
    std::vector<TrackMatcher::File> files;
    for (const File& file : m_files)
        files.push_back(file.match);
    const TrackMatcher::LengthAgreement lengths =
        TrackMatcher::Lengths(files, release.tracks, TrackMatcher::Match(files, release.tracks));
    const QString text = lengths.compared == 0
                             ? QStringLiteral("-")
                             : QStringLiteral("%1 of %2 agree").arg(lengths.close).arg(lengths.compared);
    for (std::size_t row = 0; row < m_candidates.size(); ++row) {
        if (m_candidates[row].id != release.id)
            continue;
        QStringList texts = m_releaseList->RowAt(static_cast<int>(row)).texts;
        texts[LengthsColumn] = text;
        m_releaseList->SetTexts(static_cast<int>(row), std::move(texts));
    }
}

void TfrmAlbumLookup::ShowTracks()
{
    const AlbumRelease* release = ShownRelease();
    const int current = lvTracks->currentIndex().row();
    std::vector<TPreviewModel::Row> rows;
    for (std::size_t f = 0; f < m_files.size(); ++f) {
        const File& file = m_files[f];
        TPreviewModel::Row row;
        row.record = file.record;
        row.texts = {Display(file.record->FileName()), LengthText(file.match.lengthMs), QString(), QString(),
                     QString()};
        const int t = f < m_matching.size() ? m_matching[f] : -1;
        if (release && t >= 0) {
            const ReleaseTrack& track = release->tracks[static_cast<std::size_t>(t)];
            row.texts[NumberColumn] = release->discCount > 1
                                          ? QStringLiteral("%1.%2").arg(track.disc).arg(track.position)
                                          : QString::number(track.position);
            row.texts[TrackTitleColumn] = track.title;
            row.texts[TrackLengthColumn] = LengthText(track.lengthMs);
            row.checked = file.checked;
        } else {
            row.texts[TrackTitleColumn] = release ? QStringLiteral("(no track)") : QString();
        }
        rows.push_back(std::move(row));
    }
    m_trackList->SetRows(std::move(rows));
    if (current >= 0 && current < m_trackList->Count())
        lvTracks->setCurrentIndex(m_trackList->index(current, 0));
    UpdateTrackChoice();
    UpdateButtons();
}

void TfrmAlbumLookup::UpdateTrackChoice()
{
    const int row = lvTracks->currentIndex().row();
    const int track = row >= 0 && row < static_cast<int>(m_matching.size()) ? m_matching[static_cast<std::size_t>(row)]
                                                                             : -1;
    const QSignalBlocker blocker(cbTrackForFile);
    cbTrackForFile->setCurrentIndex(track + 1);
    UpdateButtons();
}

void TfrmAlbumLookup::SetTrackOfFile(int fileRow, int track)
{
    const AlbumRelease* release = ShownRelease();
    if (!release || fileRow < 0 || fileRow >= static_cast<int>(m_matching.size()))
        return;
    if (track < -1 || track >= static_cast<int>(release->tracks.size()))
        return;
    if (track >= 0) {
        for (int& other : m_matching)
            if (other == track)
                other = -1;
    }
    m_matching[static_cast<std::size_t>(fileRow)] = track;
    m_files[static_cast<std::size_t>(fileRow)].checked = true;
    ShowTracks();
    emit stateChanged();
}

void TfrmAlbumLookup::btnApplyClick()
{
    UpdateButtons();
    const AlbumRelease* release = ShownRelease();
    if (!btnApply->isEnabled() || !release)
        return;
    if (cbSetV1->isChecked()) {
        V1LossCheck check(options::CurrentTagOptions());
        for (std::size_t f = 0; f < m_files.size(); ++f) {
            if (!m_files[f].checked || m_matching[f] < 0)
                continue;
            const AlbumTagWriter::Texts texts =
                AlbumTagWriter::TextsFor(*release, release->tracks[static_cast<std::size_t>(m_matching[f])]);
            check.Add(V1LossCheck::Title, texts.title);
            check.Add(V1LossCheck::Artist, texts.artist);
            check.Add(V1LossCheck::Album, texts.album);
            check.EndFile();
        }
        if (!check.Confirm(m_prompts, check.BatchQuestion(true)))
            return;
    }
    if (!cbCover->isChecked())
        return WriteTags(nullptr);
    SetStatus(QStringLiteral("Fetching the front cover from the Cover Art Archive ..."), true);
    m_service.FetchFrontCover(release->id, cbOriginalCover->isChecked(),
                              [this](const QString& error, const QByteArray& image) {
                                  if (!error.isEmpty())
                                      return Failed(error);
                                  SetStatus(QString(), false);
                                  if (image.isEmpty()) {
                                      if (m_prompts.askYesNo(QStringLiteral("Look up album online"),
                                                             QStringLiteral("The Cover Art Archive has no front cover "
                                                                            "of this release. Write the tags without "
                                                                            "a cover?"))
                                          != PromptAnswer::Yes)
                                          return;
                                      return WriteTags(nullptr);
                                  }
                                  auto cover = std::make_shared<const std::string>(image.toStdString());
                                  const std::string why = Tmp3TagV2::CheckPicture(*cover);
                                  if (!why.empty())
                                      return Failed(QStringLiteral("The front cover cannot be used: %1.")
                                                        .arg(Display(why)));
                                  WriteTags(std::move(cover));
                              });
}

void TfrmAlbumLookup::WriteTags(std::shared_ptr<const std::string> cover)
{
    const AlbumRelease* release = ShownRelease();
    if (!release)
        return;
    AlbumTagWriter::Choices choices;
    choices.genre = cbGenre->isChecked();
    choices.identifiers = cbIdentifiers->isChecked();
    choices.v1 = cbSetV1->isChecked();
    choices.cover = std::move(cover);
    using Outcome = std::pair<std::string, QStringList>;
    WriteBatch<Outcome> batch;
    int count = 0;
    for (std::size_t f = 0; f < m_files.size(); ++f) {
        if (!m_files[f].checked || m_matching[f] < 0)
            continue;
        ++count;
        batch.Add([choices, undo = m_undo, path = m_files[f].path,
                   texts = AlbumTagWriter::TextsFor(*release, release->tracks[static_cast<std::size_t>(m_matching[f])])](
                      FolderFlushes& flushes) {
            const TUndoRecorder::TagWrite recorded(undo, path);
            return Outcome(path, AlbumTagWriter::WriteFile(path, texts, choices, &flushes));
        });
    }
    TagFailureList failures;
    int done = 0;
    {
        ProgressWindows::ProgressScope progress(count, QStringLiteral("Writing tags ..."));
        batch.Drain(
            [&](const Outcome& outcome) {
                std::vector<std::string> reasons;
                for (const QString& reason : outcome.second)
                    reasons.push_back(outcome.first + ": " + reason.toStdString());
                failures.Add(outcome.first, std::move(reasons));
                SetProgressPosition(++done);
                if (IsProgressCancelled())
                    batch.Cancel();
            },
            [] {
                QCoreApplication::processEvents();
                return !IsProgressCancelled();
            },
            kWriteBatchTick);
    }
    m_tagsWritten = m_tagsWritten || done > failures.FileCount();
    if (!failures.Empty())
        m_prompts.showError(QStringLiteral("Error writing mp3 tags"), failures.Message());
    accept();
}

void TfrmAlbumLookup::done(int result)
{
    m_service.CancelAll();
    m_busy = false;
    QDialog::done(result);
}

bool ShowAlbumLookup(PlaylistRows& playlist, Prompts& prompts, QWidget* parent, TUndoRecorder* undo)
{
    MusicBrainzClient::Settings settings;
    settings.musicBrainzServer = QString::fromStdString(options::musicBrainzServer);
    settings.coverArtServer = QString::fromStdString(options::coverArtServer);
    MusicBrainzClient client(settings);
    TfrmAlbumLookup window(playlist, prompts, client, parent ? parent : MainWindow());
    window.SetUndoRecorder(undo);
    CenterOnMainWindow(window);
    window.exec();
    return window.TagsWritten();
}
