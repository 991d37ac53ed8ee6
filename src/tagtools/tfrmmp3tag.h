#pragma once
// The tag editor "Change mp3 tag": the ID3v1 and ID3v2 tags of the files
// behind the selected playlist rows. One selected row: both tags of that file
// are shown and written (or removed) as a whole. Several rows: every field
// starts at "<don't change>" and Update writes only the fields the user
// filled in into every selected file, after a confirmation and under the
// progress window. Before either save, texts for the ID3v1 tag that its
// code page cannot hold are named in a question; No writes nothing and
// keeps the dialog open.
//
// A value read from a file is never cut or rewritten unless the user changed
// that field: untouched fields keep the file's bytes, however long. A third
// page "Cover" shows and changes the cover picture of the ID3v2 tag, a page
// "More" after it the ID3v2 fields beyond the seven (TMorePage), the page
// "Lyrics" its lyrics, and (single-file mode) the page "All frames" every
// frame it has.

#include "optionvalues.h"
#include "tmp3modifinfo.h"
#include "tmp3taginfo.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"

#include <QDialog>

#include <string>
#include <vector>

class PlaylistRows;
class Prompts;
class TCoverPage;
class TMorePage;
class TFramesPage;
class TLyricsPage;
class TTagPage;
class TUndoRecorder;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

class TfrmMp3Tag final : public QDialog {
    Q_OBJECT
public:
    // FormCreate runs here: the mode follows from the number of selected rows.
    TfrmMp3Tag(PlaylistRows& playlist, Prompts& prompts, QWidget* parent = nullptr);
    ~TfrmMp3Tag() override;

    bool MultiFileMode() const { return m_multiFileMode; }
    // Each file's tags are recorded there before they are written.
    void SetUndoRecorder(TUndoRecorder* recorder) { m_undo = recorder; }

    QLineEdit* edtFileName = nullptr;
    QLabel* lblAudio = nullptr;
    QTabWidget* pages = nullptr;
    TTagPage* page1 = nullptr;
    TTagPage* page2 = nullptr;
    TCoverPage* page3 = nullptr;
    TMorePage* pageMore = nullptr;
    TLyricsPage* pageLyrics = nullptr;
    TFramesPage* pageFrames = nullptr;
    QCheckBox* chkID3v1 = nullptr;
    QCheckBox* chkID3v2 = nullptr;
    QLineEdit* edtID3v1_Track = nullptr;
    QLineEdit* edtID3v1_Title = nullptr;
    QLineEdit* edtID3v1_Artist = nullptr;
    QLineEdit* edtID3v1_Album = nullptr;
    QLineEdit* edtID3v1_Year = nullptr;
    QComboBox* edtID3v1_Genre = nullptr;
    QLineEdit* edtID3v1_Comment = nullptr;
    QLineEdit* edtID3v2_Track = nullptr;
    QLineEdit* edtID3v2_Title = nullptr;
    QLineEdit* edtID3v2_Artist = nullptr;
    QLineEdit* edtID3v2_Album = nullptr;
    QLineEdit* edtID3v2_Year = nullptr;
    QComboBox* edtID3v2_Genre = nullptr;
    QLineEdit* edtID3v2_Comment = nullptr;
    QAction* actUpdate = nullptr;
    QPushButton* btnUpdate = nullptr;
    QPushButton* btnCancel = nullptr;

    // Update: saves and closes with OK when the save worked.
    void actUpdateExecute();
    // Idle-time enabling of Update.
    void actUpdateUpdate();

    void chkID3v1Click();
    void chkID3v2Click();
    // Focus rules of multi-file mode (nothing in single-file mode).
    void edtEnter(QLineEdit* edit);
    void edtExit(QLineEdit* edit);
    void edtChange(QLineEdit* edit);
    void comboEnter(QComboBox* combo);
    void comboExit(QComboBox* combo);
    // A click on the dialog's or a page's background: no control keeps the focus.
    void FormMouseDown();

public slots:
    // Cancel and Escape; refused while a save runs.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void BuildControls();
    void FormCreate();
    void LoadSingleFile();
    void EnableV1Fields();
    void EnableV2Fields();
    void TrackUserEdits();
    // An edit on the "All frames" page shows in the fields it touches.
    void FramesEdited();
    // Asks before ID3v1 texts are saved with characters their code page
    // cannot hold; false when the user goes back to the dialog.
    bool ConfirmV1Losses();
    bool SaveSingleFile();
    bool SaveManyFiles();
    // The full path of the first selected row; empty when there is none.
    std::string FirstSelectedPath() const;

    PlaylistRows& m_playlist;
    Prompts& m_prompts;
    bool m_multiFileMode = false;
    bool m_saving = false;
    TUndoRecorder* m_undo = nullptr;
    Tmp3TagV1 mp3tag1 {options::CurrentTagOptions()};
    Tmp3TagV2 mp3Tag2 {options::CurrentTagOptions()};
    // What single-file mode read, and which fields the user changed since.
    TMp3TagInfo m_v1Info;
    TMp3TagInfo m_v2Info;
    TMp3ModifInfo m_v1Modif;
    TMp3ModifInfo m_v2Modif;
    // The twelve field controls: the ID3v1 title, artist, album, year,
    // comment and genre, then the same of ID3v2.
    std::vector<QWidget*> TagFields;
};

// Creates the dialog over the main window, shows it modally and destroys it;
// true when it closed with OK. Nothing happens without a selected row. The
// files' tags are recorded by `undo` (when given) before they are written.
bool ShowTagEditor(PlaylistRows& playlist, Prompts& prompts, TUndoRecorder* undo = nullptr);
