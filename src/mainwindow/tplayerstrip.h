#pragma once
// The player strip under the playlist (Play, Pause, Stop, the position gauge
// and Volume) and the volume popup with its two bars. The buttons are laid
// out here; the player controls connect to them (they do nothing yet).

#include <QFrame>

class QProgressBar;
class QSlider;
class QToolButton;

class TPlayerStrip final : public QFrame {
    Q_OBJECT
public:
    explicit TPlayerStrip(QWidget* parent = nullptr);

    QToolButton* butPlay() const { return m_butPlay; }
    QToolButton* butPause() const { return m_butPause; }
    QToolButton* butStop() const { return m_butStop; }
    QToolButton* butVolume() const { return m_butVolume; }
    QProgressBar* progress() const { return m_progress; }

private:
    QToolButton* m_butPlay = nullptr;
    QToolButton* m_butPause = nullptr;
    QToolButton* m_butStop = nullptr;
    QToolButton* m_butVolume = nullptr;
    QProgressBar* m_progress = nullptr;
};

// The hidden volume popup `pVolumeControl`: the label "Volume" and the bars
// VolumeBar1 (master) and VolumeBar2 (wave), 0..65535.
class TVolumePopup final : public QFrame {
    Q_OBJECT
public:
    explicit TVolumePopup(QWidget* parent = nullptr);
    QSlider* VolumeBar1() const { return m_bar1; }
    QSlider* VolumeBar2() const { return m_bar2; }

private:
    QSlider* m_bar1 = nullptr;
    QSlider* m_bar2 = nullptr;
};
