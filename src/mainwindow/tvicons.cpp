#include "tvicons.h"

// The pictures live in a static library, whose resource initialiser the
// linker would drop: register them explicitly before the first use.
static void InitResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(tunevault);
        return true;
    }();
    (void)done;
}

namespace {

QIcon Themed(const char* themeName, const char* resource)
{
    InitResources();
    return QIcon::fromTheme(QString::fromLatin1(themeName), QIcon(QString::fromLatin1(resource)));
}

} // namespace

namespace TvIcons {

std::vector<QPixmap> StateImages()
{
    InitResources();
    return {QPixmap(QStringLiteral(":/tunevault/state-both.png")),
            QPixmap(QStringLiteral(":/tunevault/state-none.png")),
            QPixmap(QStringLiteral(":/tunevault/state-one.png"))};
}

std::vector<QPixmap> FilesImages()
{
    return {Themed("go-up", ":/tunevault/files-up.png").pixmap(16, 16),
            Themed("folder", ":/tunevault/files-folder.png").pixmap(16, 16),
            Themed("audio-x-generic", ":/tunevault/files-mp3.png").pixmap(16, 16),
            Themed("text-x-generic", ":/tunevault/files-other.png").pixmap(16, 16)};
}

QIcon AddIcon() { return Themed("list-add", ":/tunevault/tb-add.png"); }
QIcon RemoveIcon() { return Themed("list-remove", ":/tunevault/tb-remove.png"); }
QIcon SearchIcon() { return Themed("edit-find", ":/tunevault/tb-search.png"); }
QIcon PlayIcon() { return Themed("media-playback-start", ":/tunevault/play.png"); }
QIcon PauseIcon() { return Themed("media-playback-pause", ":/tunevault/pause.png"); }
QIcon StopIcon() { return Themed("media-playback-stop", ":/tunevault/stop.png"); }
QIcon VolumeIcon() { return Themed("audio-volume-high", ":/tunevault/volume.png"); }
QIcon AppIcon()
{
    InitResources();
    return QIcon(QStringLiteral(":/tunevault/tunevault.png"));
}

QPixmap HintPicture()
{
    InitResources();
    return QPixmap(QStringLiteral(":/tunevault/hint.png"));
}

QCursor Cursor1()
{
    InitResources();
    return QCursor(QPixmap(QStringLiteral(":/tunevault/cursor1.png")), 15, 15);
}

QCursor Cursor2()
{
    InitResources();
    return QCursor(QPixmap(QStringLiteral(":/tunevault/cursor2.png")), 9, 2);
}

} // namespace TvIcons
