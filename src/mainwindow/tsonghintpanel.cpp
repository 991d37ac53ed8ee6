#include "tsonghintpanel.h"

#include "tcoverloader.h"
#include "tvicons.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPixmap>

#include <algorithm>

namespace {

// The cover fits beside the three lines of text.
constexpr int kCoverSize = 52;

} // namespace

TSongHintPanel::TSongHintPanel(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("panSongsHint"));
    setAccessibleName(QStringLiteral("Song information"));
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 251, 222)); // cream
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setStyleSheet(QStringLiteral("#panSongsHint { background: #fffbde; color: black; border: 1px solid #a09060; }"
                                 "#panSongsHint QLabel { color: black; background: transparent; }"));

    auto* image1 = new QLabel(this);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setPixmap(TvIcons::HintPicture());
    image1->setGeometry(8, 10, 32, 32);

    QFont bold = font();
    bold.setBold(true);
    const char* captions[] = {"Name:", "Path:", "File size:", "Length:", "Bitrate:", "Album artist:", "Disc:"};
    QLabel** values[] = {&m_name, &m_path, &m_size, &m_length, &m_bitrate, &m_albumArtist, &m_disc};
    const char* names[] = {"labSongName",    "labSongPath",        "labSongFileSize", "labSongLength",
                           "labSongBitrate", "labSongAlbumArtist", "labSongDisc"};
    // The values start past the widest caption in the bold font, with a
    // gap; those of the album's lines past their own captions where these
    // are wider.
    const auto captionsWidth = [&](int from, int to) {
        int widest = 0;
        for (int i = from; i < to; ++i)
            widest = std::max(widest, QFontMetrics(bold).horizontalAdvance(QString::fromLatin1(captions[i])));
        return widest + 48 + 10;
    };
    const int valuesLeft = captionsWidth(0, 5);
    const int albumValuesLeft = std::max(valuesLeft, captionsWidth(5, 7));
    for (int i = 0; i < 7; ++i) {
        auto* c = new QLabel(QString::fromLatin1(captions[i]), this);
        m_captions.push_back(c);
        c->setFont(bold);
        c->adjustSize();
        c->move(48, 6 + i * 18);
        auto* v = new QLabel(this);
        v->setObjectName(QString::fromLatin1(names[i]));
        // File names and folders are shown as typed, never as markup.
        v->setTextFormat(Qt::PlainText);
        v->move(i < 5 ? valuesLeft : albumValuesLeft, 6 + i * 18);
        *values[i] = v;
    }
    resize(300, 64);
    m_cover = new QLabel(this);
    m_cover->setObjectName(QStringLiteral("imgSongCover"));
    m_cover->setAccessibleName(QStringLiteral("Cover picture"));
    m_cover->setAlignment(Qt::AlignCenter);
    m_cover->hide();
    m_loader = new TCoverLoader(kCoverSize, this);
    connect(m_loader, &TCoverLoader::Loaded, this, &TSongHintPanel::showCover);
    hide();
}

void TSongHintPanel::ShowCoverOf(const std::string& path)
{
    m_coverPath = path;
    m_textWidth = width();
    QImage thumbnail;
    showCover(path, m_loader->Find(path, thumbnail) ? thumbnail : QImage());
}

void TSongHintPanel::showCover(const std::string& path, const QImage& thumbnail)
{
    if (path != m_coverPath)
        return;  // the panel has moved on to another file
    m_cover->setVisible(!thumbnail.isNull());
    if (thumbnail.isNull()) {
        resize(m_textWidth, height());
        return;
    }
    m_cover->setPixmap(QPixmap::fromImage(thumbnail));
    m_cover->setGeometry(m_textWidth - 16, (height() - kCoverSize) / 2, kCoverSize, kCoverSize);
    resize(m_textWidth - 16 + kCoverSize + 6, height());
    MoveInside(pos());
}

void TSongHintPanel::SetSong(const QString& name, const QString& path, const QString& size, const QString& length,
                             const QString& bitrate, const QString& albumArtist, const QString& disc)
{
    // Within the window, with room for a cover: a longer name loses its
    // end, a longer folder its middle, each marked with "…".
    const int room = (parentWidget() ? parentWidget()->width() : QWIDGETSIZE_MAX) - 30 - (kCoverSize - 10)
                     - m_name->x();
    const QFontMetrics metrics(m_name->font());
    m_name->setText(metrics.elidedText(name, Qt::ElideRight, std::max(room, 40)));
    m_path->setText(metrics.elidedText(path, Qt::ElideMiddle, std::max(room, 40)));
    m_size->setText(size);
    m_length->setText(length);
    m_bitrate->setText(bitrate);
    m_albumArtist->setText(metrics.elidedText(albumArtist, Qt::ElideRight, std::max(room, 40)));
    m_disc->setText(disc);
    // The lines of the audio only for a file that has audio properties, the
    // album's only where the tag has them; the lines shown follow each other.
    const bool audio = !length.isEmpty();
    const bool shown[] = {true, true, true, audio, audio, !albumArtist.isEmpty(), !disc.isEmpty()};
    QLabel* const lineValues[] = {m_name, m_path, m_size, m_length, m_bitrate, m_albumArtist, m_disc};
    int lines = 0;
    for (std::size_t i = 0; i < std::size(lineValues); ++i) {
        QLabel* value = lineValues[i];
        value->adjustSize();
        value->setVisible(shown[i]);
        m_captions[i]->setVisible(shown[i]);
        if (!shown[i])
            continue;
        value->move(value->x(), 6 + lines * 18);
        m_captions[i]->move(m_captions[i]->x(), 6 + lines * 18);
        ++lines;
    }
    const int right = std::max({m_name->geometry().right(), m_path->geometry().right(),
                                m_albumArtist->isVisible() ? m_albumArtist->geometry().right() : 0});
    resize(right + 30, 10 + lines * 18);
}

void TSongHintPanel::MoveInside(QPoint topLeft)
{
    if (const QWidget* window = parentWidget())
        topLeft.setX(std::clamp(topLeft.x(), 0, std::max(0, window->width() - width())));
    move(topLeft);
}
