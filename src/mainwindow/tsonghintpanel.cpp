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
    const char* captions[] = {"Name:", "Path:", "File size:", "Length:", "Bitrate:"};
    QLabel** values[] = {&m_name, &m_path, &m_size, &m_length, &m_bitrate};
    const char* names[] = {"labSongName", "labSongPath", "labSongFileSize", "labSongLength", "labSongBitrate"};
    // The values start past the widest caption in the bold font, with a gap.
    int valuesLeft = 0;
    for (const char* caption : captions)
        valuesLeft = std::max(valuesLeft, QFontMetrics(bold).horizontalAdvance(QString::fromLatin1(caption)));
    valuesLeft += 48 + 10;
    for (int i = 0; i < 5; ++i) {
        auto* c = new QLabel(QString::fromLatin1(captions[i]), this);
        if (i >= 3)
            m_audioCaptions.push_back(c);
        c->setFont(bold);
        c->adjustSize();
        c->move(48, 6 + i * 18);
        auto* v = new QLabel(this);
        v->setObjectName(QString::fromLatin1(names[i]));
        // File names and folders are shown as typed, never as markup.
        v->setTextFormat(Qt::PlainText);
        v->move(valuesLeft, 6 + i * 18);
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
                             const QString& bitrate)
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
    for (QLabel* l : {m_name, m_path, m_size, m_length, m_bitrate})
        l->adjustSize();
    // The lines of the audio only for a file that has audio properties.
    const bool audio = !length.isEmpty();
    for (QLabel* l : m_audioCaptions)
        l->setVisible(audio);
    m_length->setVisible(audio);
    m_bitrate->setVisible(audio);
    const int right = std::max(m_name->geometry().right(), m_path->geometry().right());
    resize(right + 30, audio ? 100 : 64);
}

void TSongHintPanel::MoveInside(QPoint topLeft)
{
    if (const QWidget* window = parentWidget())
        topLeft.setX(std::clamp(topLeft.x(), 0, std::max(0, window->width() - width())));
    move(topLeft);
}
