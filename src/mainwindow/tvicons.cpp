#include "tvicons.h"

#include <QPainter>

#include <utility>

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

// `picture` redrawn: faded to `opacity`, or, with a `colour`, filled with
// it wherever it is not transparent.
QPixmap Redrawn(const QPixmap& picture, qreal opacity, const QColor& colour = QColor())
{
    QPixmap out(picture.size());
    out.setDevicePixelRatio(picture.devicePixelRatio());
    out.fill(Qt::transparent);
    QPainter painter(&out);
    painter.setOpacity(opacity);
    painter.drawPixmap(0, 0, picture);
    if (colour.isValid()) {
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(out.rect(), colour);
    }
    return out;
}

// A button's picture that, disabled, is the same picture faded: the style's
// own disabled picture is a light grey, which on a dark skin looks brighter
// than the enabled buttons.
QIcon Button(const char* themeName, const char* resource)
{
    const QIcon icon = Themed(themeName, resource);
    QIcon out;
    for (int size : {16, 22, 24, 30, 32}) {
        const QPixmap picture = icon.pixmap(size, size);
        if (picture.isNull())
            continue;
        out.addPixmap(picture, QIcon::Normal);
        out.addPixmap(Redrawn(picture, 0.3), QIcon::Disabled);
    }
    return out;
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

std::vector<QIcon> FilesImages()
{
    std::vector<QIcon> icons;
    for (const auto& [theme, fallback] : {std::pair{"go-up", ":/tunevault/files-up.png"},
                                          std::pair{"folder", ":/tunevault/files-folder.png"},
                                          std::pair{"audio-x-generic", ":/tunevault/files-mp3.png"},
                                          std::pair{"text-x-generic", ":/tunevault/files-other.png"}}) {
        const QPixmap picture = Themed(theme, fallback).pixmap(16, 16);
        QIcon icon(picture);
        icon.addPixmap(Redrawn(picture, 1.0, Qt::white), QIcon::Selected);
        icons.push_back(icon);
    }
    return icons;
}

QIcon AddIcon() { return Button("list-add", ":/tunevault/tb-add.png"); }
QIcon RemoveIcon() { return Button("list-remove", ":/tunevault/tb-remove.png"); }
QIcon SearchIcon() { return Button("edit-find", ":/tunevault/tb-search.png"); }
QIcon PlayIcon() { return Button("media-playback-start", ":/tunevault/play.png"); }
QIcon PauseIcon() { return Button("media-playback-pause", ":/tunevault/pause.png"); }
QIcon StopIcon() { return Button("media-playback-stop", ":/tunevault/stop.png"); }
QIcon PreviousIcon() { return Button("media-skip-backward", ":/tunevault/previous.png"); }
QIcon NextIcon() { return Button("media-skip-forward", ":/tunevault/next.png"); }
QIcon VolumeIcon() { return Button("audio-volume-high", ":/tunevault/volume.png"); }
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
