#pragma once
// One page of the tag editor: the check box that keeps or drops the tag
// version, the track number at the top right, and the title, artist, album,
// year, genre and comment fields with their labels. The controls are named
// after the version ("edtID3v1_Title", "edtID3v2_Title", ...) and tab in the
// order check box, track, title, artist, album, year, genre, comment.

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;

class TTagPage final : public QWidget {
    Q_OBJECT
public:
    // Width limits of an edit; 0 means none.
    struct Limits {
        int title = 0;    // title, artist and album
        int comment = 0;
    };

    // `version` is 1 or 2; the ID3v2 genre takes free text, the ID3v1 genre
    // only a pick from its list.
    TTagPage(int version, Limits limits, QWidget* parent = nullptr);

    QCheckBox* chkStore = nullptr;
    QLineEdit* edtTrack = nullptr;
    QLineEdit* edtTitle = nullptr;
    QLineEdit* edtArtist = nullptr;
    QLineEdit* edtAlbum = nullptr;
    QLineEdit* edtYear = nullptr;
    QComboBox* cmbGenre = nullptr;
    QLineEdit* edtComment = nullptr;

    // The seven fields are enabled exactly when `on`; their contents stay.
    void EnableFields(bool on);

    // The limit an edit was designed with (the property "Limit"); 0 for none.
    static int DesignLimit(const QLineEdit* edit);
    // Sets a text the program chose: the edit's limit is raised where the
    // text is longer, so that nothing shown is cut.
    static void SetProgramText(QLineEdit* edit, const QString& text);
    // Puts the design limit back (for what the user types next).
    static void RestoreLimit(QLineEdit* edit);
};
