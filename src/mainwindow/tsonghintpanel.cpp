#include "tsonghintpanel.h"

#include "tvicons.h"

#include <QLabel>

TSongHintPanel::TSongHintPanel(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("panSongsHint"));
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
    const char* captions[] = {"Name:", "Path:", "File size:"};
    QLabel** values[] = {&m_name, &m_path, &m_size};
    const char* names[] = {"labSongName", "labSongPath", "labSongFileSize"};
    for (int i = 0; i < 3; ++i) {
        auto* c = new QLabel(QString::fromLatin1(captions[i]), this);
        c->setFont(bold);
        c->adjustSize();
        c->move(48, 6 + i * 18);
        auto* v = new QLabel(this);
        v->setObjectName(QString::fromLatin1(names[i]));
        // File names and folders are shown as typed, never as markup.
        v->setTextFormat(Qt::PlainText);
        v->move(110, 6 + i * 18);
        *values[i] = v;
    }
    resize(300, 64);
    hide();
}

void TSongHintPanel::SetSong(const QString& name, const QString& path, const QString& size)
{
    m_name->setText(name);
    m_path->setText(path);
    m_size->setText(size);
    for (QLabel* l : {m_name, m_path, m_size})
        l->adjustSize();
    const int right = std::max(m_name->geometry().right(), m_path->geometry().right());
    resize(right + 30, height());
}
