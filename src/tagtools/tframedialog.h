#pragma once
// The small dialog of the "All frames" page that adds or edits one frame:
// the frame id (chosen only for a new frame), the description and language
// where the frame's kind has them, and the value (several lines for
// comments and lyrics).

#include "id3v2framelist.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QDialogButtonBox;
class QLineEdit;
class QPlainTextEdit;

class TFrameDialog final : public QDialog {
    Q_OBJECT
public:
    // A new frame when `value` is nothing, else the edit of `value`.
    TFrameDialog(const std::optional<id3v2::FrameValue>& value, QWidget* parent = nullptr);

    QComboBox* cmbFrameId = nullptr;
    QLineEdit* edtFrameDescription = nullptr;
    QLineEdit* edtFrameLanguage = nullptr;
    QPlainTextEdit* memFrameValue = nullptr;
    QDialogButtonBox* buttons = nullptr;

    // What the dialog holds now.
    id3v2::FrameValue Value() const;

    // Shows the dialog; the value when the user confirmed it.
    static std::optional<id3v2::FrameValue> Ask(const std::optional<id3v2::FrameValue>& value, QWidget* parent);

private:
    void idChanged();
    void updateOk();
};
