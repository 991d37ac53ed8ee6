#include "tfrmbatchrename.h"

#include "tpreviewmodel.h"

#include "filedescriptor.h"
#include "fileutils.h"
#include "mainwindowregistry.h"
#include "optionvalues.h"
#include "orderedbatch.h"
#include "playlistrows.h"
#include "prompts.h"
#include "subfoldermove.h"
#include "tagerror.h"
#include "tfileinfo.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"
#include "tundorecorder.h"
#include "writebatch.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>

#include <dirent.h>

const QString TfrmBatchRename::kOk = QStringLiteral("Ok");
const QString TfrmBatchRename::kSkipped = QStringLiteral("Skipped");
const QString TfrmBatchRename::kNameTaken = QStringLiteral("Name taken");
const QString TfrmBatchRename::kNameTooLong = QStringLiteral("Name too long");
const QString TfrmBatchRename::kSameFolder = QStringLiteral("./");

namespace {

enum Format { ArtistTitle = 0, ArtistTrackTitle = 1, AlbumArtistTitle = 2, Custom = 3 };

QString Display(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The names in each folder as they will be while the renaming runs: first
// as listed on disk, then with every rename that is expected to work applied
// in turn. A folder that cannot be listed counts as empty: its conflicts show
// only when the run reports them.
class FolderNames final {
public:
    bool Has(const std::string& folder, const std::string& name) { return Names(folder).count(name) != 0; }
    void Move(const std::string& fromFolder, const std::string& from, const std::string& toFolder,
              const std::string& to)
    {
        Names(fromFolder).erase(from);
        Names(toFolder).insert(to);
    }

private:
    std::unordered_set<std::string>& Names(const std::string& folder)
    {
        auto [it, added] = m_folders.try_emplace(folder);
        if (added) {
            if (DIR* d = opendir(folder.c_str())) {
                while (const dirent* e = readdir(d))
                    it->second.insert(e->d_name);
                closedir(d);
            }
        }
        return it->second;
    }

    std::unordered_map<std::string, std::unordered_set<std::string>> m_folders;
};

// The values of a loaded tag of either version, when the file has one; a
// tag without a track number gives the track "0".
template <typename Tag>
void CopyTag(const Tag& tag, TMp3TagInfo& info)
{
    if (!tag.TagPresent())
        return;
    info.Title = tag.Title();
    info.Track = std::to_string(tag.Track());
    info.Artist = tag.Artist();
    info.Album = tag.Album();
    info.Year = tag.Year();
    info.Genre = tag.Genre();
    if constexpr (std::is_same_v<Tag, Tmp3TagV2>) {
        info.AlbumArtist = tag.AlbumArtist();
        info.Disc = tag.Disc() == 0 ? std::string() : std::to_string(tag.Disc());
        info.Composer = tag.Extra(id3v2::kComposer);
        info.Bpm = tag.Extra(id3v2::kBpm);
    }
    info.Present = true;
}

// The length of the longest part of a path below a folder.
std::size_t LongestPart(const std::string& relativePath)
{
    std::size_t longest = 0;
    std::size_t start = 0;
    for (std::size_t slash; (slash = relativePath.find('/', start)) != std::string::npos; start = slash + 1)
        longest = std::max(longest, slash - start);
    return std::max(longest, relativePath.size() - start);
}

} // namespace

TfrmBatchRename::TfrmBatchRename(PlaylistRows& playlist, Prompts& prompts, std::vector<QPixmap> stateImages,
                                 QWidget* parent)
    : TBatchWizard(prompts, QStringLiteral("Rename wizard"),
                   {QStringLiteral("Multi rename"), QStringLiteral("Rename Settings"),
                    QStringLiteral("Preview before renaming"), QStringLiteral("Renaming is in process ..."),
                    QStringLiteral("Rename finished")},
                   parent)
    , m_playlist(playlist)
    , m_customPattern(options::customRenamePattern)
{
    setObjectName(QStringLiteral("frmBatchRename"));
    SetIntroduction({
        QStringLiteral("Welcome to the rename wizard of Tunevault!"),
        QString(),
        QStringLiteral("This wizard will rename you files according to their tags."),
        QString(),
        QStringLiteral("For example you have the following files:"),
        QStringLiteral("   track1.mp3,"),
        QStringLiteral("   track2.mp3,"),
        QStringLiteral("   track3.mp3 "),
        QStringLiteral("the wizard according to tags in thes files will rename them for example in "),
        QStringLiteral("the following way:"),
        QStringLiteral("Nina Vale - Morning River.mp3"),
        QStringLiteral("The Glass Hours - Silver Road.mp3"),
        QStringLiteral("Otto Brandt - Falling Light.mp3"),
    });
    m_preview = new TPreviewModel({QStringLiteral("Status"), QStringLiteral("Old Name"), QStringLiteral("New name"),
                                   QStringLiteral("Folder")},
                                  false, std::move(stateImages), this);
    BuildSettingsPage();
    BuildPreviewPage();
    FormCreate();
}

TfrmBatchRename::~TfrmBatchRename() = default;

void TfrmBatchRename::BuildSettingsPage()
{
    sGroupBox1 = new QGroupBox(QStringLiteral("  ID3 tags usage  "), tsSettings);
    sGroupBox1->setObjectName(QStringLiteral("sGroupBox1"));
    cbOnlyV1 = new QRadioButton(QStringLiteral("Use only ID3v&1 tags"), sGroupBox1);
    cbOnlyV1->setObjectName(QStringLiteral("cbOnlyV1"));
    cbOnlyV2 = new QRadioButton(QStringLiteral("Use only ID3v&2 tags "), sGroupBox1);
    cbOnlyV2->setObjectName(QStringLiteral("cbOnlyV2"));
    cbUseBoth = new QRadioButton(QStringLiteral("Use b&oth ID3v1 and ID3v2 tags (RECOMENDED)"), sGroupBox1);
    cbUseBoth->setObjectName(QStringLiteral("cbUseBoth"));
    cbUseBoth->setChecked(true);
    cbUsagePriority = new QComboBox(sGroupBox1);
    cbUsagePriority->setObjectName(QStringLiteral("cbUsagePriority"));
    cbUsagePriority->addItems({QStringLiteral("ID3v2, ID3v1"), QStringLiteral("ID3v1, ID3v2")});
    auto* priority = new QLabel(QStringLiteral("Pr&iority:"), sGroupBox1);
    priority->setBuddy(cbUsagePriority);

    auto* usage = new QGridLayout(sGroupBox1);
    usage->addWidget(cbOnlyV1, 0, 0, 1, 3);
    usage->addWidget(cbOnlyV2, 1, 0, 1, 3);
    usage->addWidget(cbUseBoth, 2, 0, 1, 3);
    usage->addWidget(priority, 3, 0);
    usage->addWidget(cbUsagePriority, 3, 1);
    usage->setColumnMinimumWidth(0, 60);
    usage->setColumnStretch(2, 1);

    sGroupBox2 = new QGroupBox(QStringLiteral("  Other options  "), tsSettings);
    sGroupBox2->setObjectName(QStringLiteral("sGroupBox2"));
    cbFileFormat = new QComboBox(sGroupBox2);
    cbFileFormat->setObjectName(QStringLiteral("cbFileFormat"));
    cbFileFormat->addItems({QStringLiteral("(Artist)-(Title).mp3"), QStringLiteral("(Artist)-(Track)-(Title).mp3"),
                            QStringLiteral("(Album)-(Artist)-(Title).mp3"), QStringLiteral("Custom ...")});
    auto* format = new QLabel(QStringLiteral("&File format:"), sGroupBox2);
    format->setBuddy(cbFileFormat);
    edtCustomPattern = new QLineEdit(QString::fromStdString(options::customRenamePattern), sGroupBox2);
    edtCustomPattern->setObjectName(QStringLiteral("edtCustomPattern"));
    auto* patternHelp = new QLabel(QStringLiteral("%artist% %title% %album% %track% %track2% %year% %genre% "
                                                  "%albumartist% %disc% %disc2% %composer% %bpm%, any other text as it is; \"/\" makes subfolders"),
                                   sGroupBox2);
    patternHelp->setTextFormat(Qt::PlainText);
    patternHelp->setWordWrap(true);
    cbRenameOnlySelected = new QCheckBox(QStringLiteral("&Rename only selected files"), sGroupBox2);
    cbRenameOnlySelected->setObjectName(QStringLiteral("cbRenameOnlySelected"));
    cbIgnoreIncompleteTags = new QCheckBox(
        QStringLiteral("&Don't rename files with incomplete ID3 tags (some fields are missing) (RECOMMENDED)"),
        sGroupBox2);
    cbIgnoreIncompleteTags->setObjectName(QStringLiteral("cbIgnoreIncompleteTags"));
    cbIgnoreIncompleteTags->setChecked(true);

    auto* other = new QGridLayout(sGroupBox2);
    other->addWidget(format, 0, 0);
    other->addWidget(cbFileFormat, 0, 1);
    other->addWidget(edtCustomPattern, 1, 1, 1, 2);
    other->addWidget(patternHelp, 2, 1, 1, 2);
    other->addWidget(cbRenameOnlySelected, 3, 0, 1, 3);
    other->addWidget(cbIgnoreIncompleteTags, 4, 0, 1, 3);
    other->setColumnMinimumWidth(0, 60);
    other->setColumnStretch(2, 1);

    auto* page = new QVBoxLayout(tsSettings);
    page->setContentsMargins(0, 0, 0, 0);
    page->addWidget(sGroupBox1);
    page->addWidget(sGroupBox2);
    page->addStretch(1);

    for (QRadioButton* radio : {cbOnlyV1, cbOnlyV2, cbUseBoth})
        connect(radio, &QRadioButton::toggled, this, &TfrmBatchRename::cbClick);
    FollowCustomPattern(cbFileFormat, edtCustomPattern, &m_customPattern);
}

void TfrmBatchRename::BuildPreviewPage()
{
    lvFiles = NewPreviewList(m_preview, true, {90, 170, 220});
}

void TfrmBatchRename::FormCreate()
{
    m_renameDone = false;
    // Rows the user selected before opening the wizard are the ones meant.
    const bool selection = !m_playlist.SelectedRows().empty();
    cbRenameOnlySelected->setEnabled(selection);
    cbRenameOnlySelected->setChecked(selection);
    cbClick();
    CustomFormatChanged();
    ShowFirstPage();
}

void TfrmBatchRename::cbClick()
{
    cbUsagePriority->setEnabled(cbUseBoth->isChecked());
}

QString TfrmBatchRename::SettingsMissing() const
{
    if (CustomChosen() && TrimControls(edtCustomPattern->text().toStdString()).empty())
        return QStringLiteral("Type a pattern for the new names, such as %track2% - %title%.mp3");
    return {};
}

bool TfrmBatchRename::PreviewComplete() const
{
    return m_preview->Count() > 0;
}

int TfrmBatchRename::BuildPreview()
{
    return BuildRenamePreview();
}

QString TfrmBatchRename::NothingToDoMessage() const
{
    return QStringLiteral("No files could be renamed according to selected settings!");
}

void TfrmBatchRename::RunStep()
{
    RenameFiles();
    m_renameDone = true;
}

int TfrmBatchRename::BuildRenamePreview()
{
    m_preview->Clear();
    const std::vector<int> scope = RowsInScope(m_playlist, cbRenameOnlySelected->isChecked());
    const bool custom = CustomChosen();
    if (custom)
        options::customRenamePattern = edtCustomPattern->text().toStdString();

    // The tags are read on the worker pool; the rows are made here, in
    // playlist order, on which the name conflicts depend.
    const TagChoice choice = CurrentTagChoice();
    std::vector<TFileInfo*> records;
    records.reserve(scope.size());
    OrderedBatch<TMp3TagInfo> reads;
    for (int r : scope) {
        if (TFileInfo* record = m_playlist.FileAt(r)) {
            records.push_back(record);
            reads.Add([path = record->FullPath(), choice] { return ReadTagsForRename(path, choice); });
        }
    }

    std::vector<TPreviewModel::Row> rows;
    rows.reserve(records.size());
    FolderNames folders;
    int count = 0;
    const auto addRow = [&](const TMp3TagInfo& values) {
        TFileInfo* record = records[rows.size()];
        const std::string path = record->FullPath();
        const std::string name = values.Present ? MakeNewFileName(values) : std::string();

        const std::string oldName = record->FileName();
        TPreviewModel::Row row;
        row.texts = {kSkipped, Display(oldName), QString(), QString()};
        row.stateImage = SkippedImage;
        if (!name.empty()) {
            row.record = record;
            row.stateImage = ConflictImage;
            // Where the file goes: a valid name, below the subfolders of a
            // pattern of the user's own (whose parts are valid already).
            row.newName = custom ? name : TFileInfo::MakeValidFileName(name);
            const std::size_t slash = row.newName.rfind('/');
            const std::string ownFolder = path.substr(0, path.size() - oldName.size());
            const std::string folder =
                slash == std::string::npos ? ownFolder : ownFolder + row.newName.substr(0, slash + 1);
            const std::string valid = slash == std::string::npos ? row.newName : row.newName.substr(slash + 1);
            // The name as built, and where the file goes from its own folder.
            row.texts[NewNameColumn] = Display(custom ? valid : name);
            row.texts[FolderColumn] =
                slash == std::string::npos ? kSameFolder : kSameFolder + Display(row.newName.substr(0, slash + 1));
            if (LongestPart(row.newName) > kMaxNameBytes) {
                row.texts[0] = kNameTooLong;
            } else if ((valid != oldName || folder != ownFolder) && folders.Has(folder, valid)) {
                row.texts[0] = kNameTaken;
            } else {
                row.texts[0] = kOk;
                row.stateImage = OkImage;
                ++count;
                folders.Move(ownFolder, oldName, folder, valid);
            }
        }
        rows.push_back(std::move(row));
    };
    const int total = static_cast<int>(records.size());
    if (!reads.Drain(addRow, [&] { return PreviewProgress(static_cast<int>(rows.size()), total); },
                     std::chrono::milliseconds(20)))
        return -1;
    m_preview->SetRows(std::move(rows));
    return count;
}

TfrmBatchRename::TagChoice TfrmBatchRename::CurrentTagChoice() const
{
    TagChoice choice;
    choice.useV1 = !cbOnlyV2->isChecked();
    choice.useV2 = !cbOnlyV1->isChecked();
    choice.v1First = cbUsagePriority->currentIndex() != 0;
    return choice;
}

TMp3TagInfo TfrmBatchRename::ReadTagsForRename(const std::string& path, const TagChoice& choice)
{
    TMp3TagInfo result;
    TMp3TagInfo v1;
    TMp3TagInfo v2;
    if (choice.useV1) {
        try {
            Tmp3TagV1 tag(options::CurrentTagOptions());
            tag.LoadFromFile(path);
            CopyTag(tag, v1);
        } catch (const TagError&) {
            // An unreadable file counts as one without this tag.
            v1.Clear();
        }
    }
    if (choice.useV2) {
        Tmp3TagV2 tag(options::CurrentTagOptions());
        tag.LoadFromFile(path);
        CopyTag(tag, v2);
    }
    if (!choice.useV2)
        TMp3TagInfo::CopyTagInfo(result, v1);
    else if (!choice.useV1)
        TMp3TagInfo::CopyTagInfo(result, v2);
    else if (choice.v1First)
        result.Merge(v1, v2);
    else
        result.Merge(v2, v1);
    return result;
}

std::string TfrmBatchRename::MakeNewFileName(const TMp3TagInfo& tagValues) const
{
    const bool strict = cbIgnoreIncompleteTags->isChecked();
    if (cbFileFormat->currentIndex() == Custom)
        return m_customPattern.BuildPath(tagValues, strict);
    // Several values of one field read as a list in the name.
    TMp3TagInfo values = tagValues;
    for (std::string* text : {&values.Artist, &values.Title, &values.Album})
        *text = TNamePattern::NameText(*text);
    const bool named = !values.Artist.empty() && !values.Title.empty();
    switch (cbFileFormat->currentIndex()) {
    case ArtistTitle:
        if (strict && !named)
            return {};
        return values.Artist + " - " + values.Title + ".mp3";
    case ArtistTrackTitle:
        if (strict && (!named || values.Track.empty() || values.Track == "0"))
            return {};
        return values.Artist + "-" + values.Track + "-" + values.Title + ".mp3";
    case AlbumArtistTitle:
        if (strict && (!named || values.Album.empty()))
            return {};
        return values.Album + "-" + values.Artist + " - " + values.Title + ".mp3";
    default:
        return {};
    }
}

void TfrmBatchRename::RenameFiles()
{
    int attempts = 0;
    for (int r = 0; r < m_preview->Count(); ++r)
        attempts += m_preview->RowAt(r).record ? 1 : 0;
    StartGauge(attempts);

    int renamed = 0;
    std::vector<QStringList> failures;
    // The renames are made one after another, in list order, on which the
    // name conflicts depend; each folder is flushed once at the end.
    FolderFlushes folders;
    for (int r = 0; r < m_preview->Count(); ++r) {
        ProcessPendingEvents();
        const TPreviewModel::Row& row = m_preview->RowAt(r);
        if (!row.record)
            continue;
        const std::string oldName = row.record->FileName();
        const std::string oldPath = row.record->FullPath();
        int error = 0;
        errno = 0;
        std::vector<std::string> created;
        if (LongestPart(row.newName) > kMaxNameBytes) {
            // Never cut to fit: the file keeps its name.
            error = ENAMETOOLONG;
        } else if (const int reason = NotRegularReason(oldPath); reason != 0 && reason != ENOENT) {
            // Turned into a folder, a FIFO, ... by another process meanwhile:
            // that is no song to rename. (A vanished file fails its rename.)
            error = reason;
        } else if (row.newName.find('/') == std::string::npos) {
            if (!row.record->Rename(row.newName))
                error = errno != 0 ? errno : EINVAL;
        } else if (MoveIntoSubfolder(oldPath, row.newName, &created)) {
            row.record->SetPath(FolderPart(oldPath) + row.newName);
        } else {
            error = errno != 0 ? errno : EINVAL;
        }
        if (error == 0 && m_undo && row.record->FullPath() != oldPath)
            m_undo->Renamed(oldPath, row.record->FullPath(), created);
        if (error == 0) {
            ++renamed;
            // The folders whose entries changed: the old one, those created
            // inside it and the new one.
            folders.Add(FolderPart(oldPath));
            for (const std::string& folder : created)
                folders.Add(folder);
            folders.Add(FolderPart(row.record->FullPath()));
        } else {
            failures.push_back({Display(oldName), Display(row.newName), Display(SystemErrorText(error))});
        }
        StepGauge();
    }
    FlushFolders(folders, [this] { ProcessPendingEvents(); }, kWriteBatchTick);

    QString summary = QStringLiteral("Renamed %1 of %2 files.").arg(renamed).arg(attempts);
    if (!failures.empty())
        summary += QStringLiteral(" The files below keep their names.");
    ShowFinishReport(summary, {QStringLiteral("Old Name"), QStringLiteral("New name"), QStringLiteral("Reason")},
                     failures);
}

bool ShowRenameWizard(PlaylistRows& playlist, Prompts& prompts, std::vector<QPixmap> stateImages, QWidget* parent,
                      TUndoRecorder* undo)
{
    TfrmBatchRename wizard(playlist, prompts, std::move(stateImages), parent ? parent : MainWindow());
    wizard.SetUndoRecorder(undo);
    CenterOnMainWindow(wizard);
    wizard.exec();
    return wizard.RenameDone();
}
