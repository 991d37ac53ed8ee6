#pragma once
// The hover panel `panSongsHint`: a picture and the file's name, folder and
// size. It floats over both panes, so it is a child of the main window.

#include <QFrame>

class QLabel;

class TSongHintPanel final : public QFrame {
    Q_OBJECT
public:
    explicit TSongHintPanel(QWidget* parent);
    QLabel* labSongName() const { return m_name; }
    QLabel* labSongPath() const { return m_path; }
    QLabel* labSongFileSize() const { return m_size; }
    // Fills the labels and sizes the panel: width = the larger right edge of
    // the name and path labels + 30.
    void SetSong(const QString& name, const QString& path, const QString& size);

private:
    QLabel* m_name = nullptr;
    QLabel* m_path = nullptr;
    QLabel* m_size = nullptr;
};
