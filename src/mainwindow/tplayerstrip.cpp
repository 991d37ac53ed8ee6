#include "tplayerstrip.h"

#include "tvicons.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

namespace {

// A flat button that shows its glyph only; the caption is its tooltip.
QToolButton* MakeButton(const char* name, const QString& caption, const QIcon& icon, QWidget* parent)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(caption);
    b->setToolTip(caption);
    b->setIcon(icon);
    b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    b->setAutoRaise(true);
    return b;
}

// A label for a time, wide enough for "0:00:00" in the strip's font.
QLabel* MakeTimeLabel(const char* name, Qt::Alignment alignment, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setTextFormat(Qt::PlainText);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("0:00:00")) + 4);
    return label;
}

} // namespace

TPlayerStrip::TPlayerStrip(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("sPanel2"));
    setAccessibleName(QStringLiteral("Player"));
    setFixedHeight(35);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    m_butPlay = MakeButton("butPlay", QStringLiteral("Play"), TvIcons::PlayIcon(), this);
    m_butPause = MakeButton("butPause", QStringLiteral("Pause"), TvIcons::PauseIcon(), this);
    m_butStop = MakeButton("butStop", QStringLiteral("Stop"), TvIcons::StopIcon(), this);
    m_butPrevious = MakeButton("butPrevious", QStringLiteral("Previous"), TvIcons::PreviousIcon(), this);
    m_butNext = MakeButton("butNext", QStringLiteral("Next"), TvIcons::NextIcon(), this);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setAccessibleName(QStringLiteral("Seek"));
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setFixedHeight(12);
    // The times keep their width, so that the gauge does not move as they
    // change.
    m_labElapsed = MakeTimeLabel("labElapsed", Qt::AlignRight, this);
    m_labTotal = MakeTimeLabel("labTotal", Qt::AlignLeft, this);
    m_labElapsed->setAccessibleName(QStringLiteral("Elapsed time"));
    m_labTotal->setAccessibleName(QStringLiteral("Total time"));
    ClearTimes();
    m_butVolume = MakeButton("butVolume", QStringLiteral("Volume"), TvIcons::VolumeIcon(), this);
    const QCursor buttonCursor = TvIcons::Cursor2();
    for (QToolButton* b : {m_butPrevious, m_butPlay, m_butPause, m_butStop, m_butNext})
        b->setCursor(buttonCursor);
    m_progress->setCursor(TvIcons::Cursor1());
    layout->addWidget(m_butPrevious);
    layout->addWidget(m_butPlay);
    layout->addWidget(m_butPause);
    layout->addWidget(m_butStop);
    layout->addWidget(m_butNext);
    layout->addWidget(m_labElapsed);
    layout->addWidget(m_progress, 1);
    layout->addWidget(m_labTotal);
    layout->addWidget(m_butVolume);
}

QString TPlayerStrip::TimeText(std::uint32_t ms, bool withHours)
{
    const std::uint32_t seconds = ms / 1000;
    const std::uint32_t minutes = seconds / 60;
    if (!withHours)
        return QStringLiteral("%1:%2").arg(minutes).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2:%3")
        .arg(minutes / 60)
        .arg(minutes % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

void TPlayerStrip::ShowTimes(std::uint32_t positionMs, std::optional<std::uint32_t> lengthMs)
{
    constexpr std::uint32_t hour = 3600 * 1000;
    const bool withHours = positionMs >= hour || (lengthMs && *lengthMs >= hour);
    m_labElapsed->setText(TimeText(positionMs, withHours));
    m_labTotal->setText(lengthMs ? TimeText(*lengthMs, withHours)
                                 : withHours ? QStringLiteral("-:--:--") : QStringLiteral("-:--"));
}

void TPlayerStrip::ClearTimes()
{
    ShowTimes(0, 0);
}

TVolumePopup::TVolumePopup(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("pVolumeControl"));
    setAccessibleName(QStringLiteral("Volume"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* caption = new QLabel(QStringLiteral("Volume"), this);
    caption->setAlignment(Qt::AlignCenter);
    layout->addWidget(caption);
    auto* bars = new QGridLayout;
    m_bar1 = new QSlider(Qt::Vertical, this);
    m_bar1->setObjectName(QStringLiteral("VolumeBar1"));
    m_bar1->setToolTip(QStringLiteral("Master Volume"));
    m_bar1->setAccessibleName(QStringLiteral("Master volume"));
    m_bar2 = new QSlider(Qt::Vertical, this);
    m_bar2->setObjectName(QStringLiteral("VolumeBar2"));
    m_bar2->setToolTip(QStringLiteral("Wave Volume"));
    // The second bar sets the volume of this program's own sound.
    m_bar2->setAccessibleName(QStringLiteral("Program volume"));
    // Each bar fills from the bottom up to its handle, in the skin's
    // selection colour, and is named below it.
    const QString look = QStringLiteral(
        "QSlider::groove:vertical { width: 6px; background: palette(mid); border-radius: 3px; }"
        "QSlider::sub-page:vertical { background: palette(mid); border-radius: 3px; }"
        "QSlider::add-page:vertical { background: palette(highlight); border-radius: 3px; }"
        "QSlider::handle:vertical { height: 10px; margin: 0 -5px; border-radius: 4px;"
        " background: palette(button); border: 1px solid palette(shadow); }");
    int column = 0;
    for (auto [bar, name] : {std::pair{m_bar1, "Master"}, std::pair{m_bar2, "Program"}}) {
        bar->setRange(0, 65535);
        bar->setStyleSheet(look);
        auto* label = new QLabel(QString::fromLatin1(name), this);
        label->setAlignment(Qt::AlignCenter);
        label->setBuddy(bar);
        bars->addWidget(bar, 0, column, Qt::AlignHCenter);
        bars->addWidget(label, 1, column++);
    }
    layout->addLayout(bars);
    resize(110, 150);
    hide();
}
