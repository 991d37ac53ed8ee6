#pragma once
// One page of the tag editor: the check box that keeps or drops the tag
// version, the track number at the top right, and the title, artist, album,
// year, genre and comment fields with their labels. The controls are named
// after the version ("edtID3v1_Title", "edtID3v2_Title", ...) and tab in the
// order check box, track, title, artist, album, year, genre, comment.

#include <QString>
#include <QWidget>

#include <array>

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

    // The text of a field that keeps the files' values (multi-file mode).
    static inline const QString kDontChange = QStringLiteral("<don't change>");

    // The seven fields are enabled exactly when `on`; their contents stay.
    void EnableFields(bool on);
    // The five text edits in the order their fields are set: title, artist,
    // album, year, comment.
    std::array<QLineEdit*, 5> TextEdits() const;

    // Multi-file mode: the text edits and the genre start at the placeholder,
    // in italics, with the changed mark 0.
    void ShowPlaceholders();
    // Multi-file mode: an edit has the changed mark 1 or the genre is not
    // the placeholder.
    bool AnyFieldChanged() const;
    // The changed mark of an edit (its property "Tag"): 1 the user entered
    // a value, 0 keep the files' values.
    static int ChangedMark(const QLineEdit* edit);
    static void SetMark(QLineEdit* edit, int mark);
    // A genre box carries a value unless its placeholder shows (typed text
    // in the editable one counts as a value).
    static bool GenreChanged(const QComboBox* combo);
    // The marks of fields: italic for the placeholder, bold for a value.
    static void SetFontStyle(QWidget* widget, bool italic, bool bold);

    // The limit an edit was designed with (the property "Limit"); 0 for none.
    static int DesignLimit(const QLineEdit* edit);
    // Sets a text the program chose: the edit's limit is raised where the
    // text is longer, so that nothing shown is cut.
    static void SetProgramText(QLineEdit* edit, const QString& text);
    // Puts the design limit back (for what the user types next).
    static void RestoreLimit(QLineEdit* edit);
};
