#pragma once
// The player strip under the playlist (Previous, Play, Pause, Stop, Next, the
// position gauge between the elapsed and the total time, and Volume) and the
// volume popup with its two bars. The buttons are laid out here; the player controls
// connect to them.

#include <QFrame>

#include <cstdint>
#include <optional>

class QLabel;
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
    QToolButton* butPrevious() const { return m_butPrevious; }
    QToolButton* butNext() const { return m_butNext; }
    QToolButton* butVolume() const { return m_butVolume; }
    QProgressBar* progress() const { return m_progress; }
    // The elapsed time left of the gauge and the song's length right of it.
    QLabel* labElapsed() const { return m_labElapsed; }
    QLabel* labTotal() const { return m_labTotal; }

    // Shows the position and the length ("-:--" while the length is not
    // known); both in h:mm:ss once either reaches an hour, else in m:ss.
    void ShowTimes(std::uint32_t positionMs, std::optional<std::uint32_t> lengthMs);
    // No song: "0:00" on both sides.
    void ClearTimes();
    // Whole seconds of `ms`, as m:ss or h:mm:ss.
    static QString TimeText(std::uint32_t ms, bool withHours);

private:
    QToolButton* m_butPlay = nullptr;
    QToolButton* m_butPause = nullptr;
    QToolButton* m_butStop = nullptr;
    QToolButton* m_butPrevious = nullptr;
    QToolButton* m_butNext = nullptr;
    QToolButton* m_butVolume = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_labElapsed = nullptr;
    QLabel* m_labTotal = nullptr;
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
