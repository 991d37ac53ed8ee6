#pragma once
// The about window: the product's title and version and the maker's contact
// information in a read-only text box, and OK.

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

class TfrmAbout final : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    QPlainTextEdit* ab = nullptr;
    QPushButton* butClose = nullptr;

private:
    void FormCreate();
};

// Creates the window, shows it modally and disposes it.
void ShowAbout(QWidget* parent);
