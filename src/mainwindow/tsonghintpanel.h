#pragma once
// The hover panel `panSongsHint`: a picture and the file's name, folder and
// size (length, bitrate, album artist and disc when known), and at its right end a small front cover when the file has one. It
// floats over both panes, so it is a child of the main window.

#include <QFrame>

#include <string>
#include <vector>

class QLabel;
class TCoverLoader;

class TSongHintPanel final : public QFrame {
    Q_OBJECT
public:
    explicit TSongHintPanel(QWidget* parent);
    QLabel* labSongName() const { return m_name; }
    QLabel* labSongPath() const { return m_path; }
    QLabel* labSongFileSize() const { return m_size; }
    QLabel* labSongLength() const { return m_length; }
    QLabel* labSongBitrate() const { return m_bitrate; }
    QLabel* labSongAlbumArtist() const { return m_albumArtist; }
    QLabel* labSongDisc() const { return m_disc; }
    // Fills the labels and sizes the panel: width = the larger right edge of
    // the name and path labels + 30. Texts too long for the window are cut
    // with "…". The lines "Length:" and "Bitrate:" show when `length` is
    // not empty, "Album artist:" and "Disc:" when their texts are not.
    void SetSong(const QString& name, const QString& path, const QString& size, const QString& length = {},
                 const QString& bitrate = {}, const QString& albumArtist = {}, const QString& disc = {});
    // Moves the panel to `topLeft`, further left where it would run off the
    // window's right edge.
    void MoveInside(QPoint topLeft);
    // After SetSong: the cover of the file at `path`, read in the background
    // (at once when it was read before); the panel widens when it comes.
    void ShowCoverOf(const std::string& path);
    QLabel* imgSongCover() const { return m_cover; }

private:
    void showCover(const std::string& path, const QImage& thumbnail);

    QLabel* m_name = nullptr;
    QLabel* m_path = nullptr;
    QLabel* m_size = nullptr;
    QLabel* m_length = nullptr;
    QLabel* m_bitrate = nullptr;
    QLabel* m_albumArtist = nullptr;
    QLabel* m_disc = nullptr;
    // The caption of each line, in the order of the lines.
    std::vector<QLabel*> m_captions;
    QLabel* m_cover = nullptr;
    TCoverLoader* m_loader = nullptr;
    // The file whose cover the panel waits for or shows, and the width
    // without it.
    std::string m_coverPath;
    int m_textWidth = 0;
};
