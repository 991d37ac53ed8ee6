#include "ttagpage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

// QLineEdit's own maximum, which stands for "no limit".
constexpr int kNoLimit = 32767;

QLineEdit* NewEdit(QWidget* parent, const QString& name, int limit)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setProperty("Limit", limit);
    TTagPage::RestoreLimit(edit);
    return edit;
}

} // namespace

TTagPage::TTagPage(int version, Limits limits, QWidget* parent)
    : QWidget(parent)
{
    const QString v = QString::number(version);
    const QString prefix = QStringLiteral("edtID3v") + v + QLatin1Char('_');
    setObjectName(QStringLiteral("page") + v);

    chkStore = new QCheckBox(QStringLiteral("&Store ID3v") + v + QStringLiteral(" tag"), this);
    chkStore->setObjectName(QStringLiteral("chkID3v") + v);
    chkStore->setChecked(true);
    edtTrack = NewEdit(this, prefix + QStringLiteral("Track"), 3);
    edtTrack->setFixedWidth(48);
    edtTitle = NewEdit(this, prefix + QStringLiteral("Title"), limits.title);
    edtArtist = NewEdit(this, prefix + QStringLiteral("Artist"), limits.title);
    edtAlbum = NewEdit(this, prefix + QStringLiteral("Album"), limits.title);
    edtYear = NewEdit(this, prefix + QStringLiteral("Year"), 4);
    // Wide enough for the placeholder of multi-file mode.
    edtYear->setFixedWidth(120);
    cmbGenre = new QComboBox(this);
    cmbGenre->setObjectName(prefix + QStringLiteral("Genre"));
    cmbGenre->setEditable(version == 2);
    cmbGenre->setMaxVisibleItems(16);
    cmbGenre->setMinimumWidth(200);
    if (cmbGenre->isEditable()) {
        // Free text stays free text: no inline completion, nothing added to the list.
        cmbGenre->setCompleter(nullptr);
        cmbGenre->setInsertPolicy(QComboBox::NoInsert);
    }
    edtComment = NewEdit(this, prefix + QStringLiteral("Comment"), limits.comment);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(12, 10, 12, 12);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    auto* top = new QHBoxLayout;
    top->addWidget(chkStore);
    top->addStretch();
    auto* track = new QLabel(QStringLiteral("T&rack #"), this);
    track->setBuddy(edtTrack);
    top->addWidget(track);
    top->addWidget(edtTrack);
    grid->addLayout(top, 0, 0, 1, 3);
    grid->setRowMinimumHeight(1, 4);
    int row = 2;
    auto addRow = [&](const char* caption, QWidget* field, bool stretch) {
        auto* label = new QLabel(QString::fromLatin1(caption), this);
        label->setBuddy(field);
        grid->addWidget(label, row, 0);
        if (stretch) {
            grid->addWidget(field, row, 1, 1, 2);
        } else {
            grid->addWidget(field, row, 1);
        }
        ++row;
    };
    addRow("&Title:", edtTitle, true);
    addRow("&Artist:", edtArtist, true);
    addRow("Al&bum:", edtAlbum, true);
    addRow("&Year:", edtYear, false);
    addRow("&Genre:", cmbGenre, false);
    addRow("Co&mment:", edtComment, true);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(row, 1);

    QWidget* order[] = {chkStore, edtTrack, edtTitle, edtArtist, edtAlbum, edtYear, cmbGenre, edtComment};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TTagPage::EnableFields(bool on)
{
    for (QWidget* w : std::initializer_list<QWidget*>{edtTrack, edtTitle, edtArtist, edtAlbum, edtYear, cmbGenre, edtComment})
        w->setEnabled(on);
}

std::array<QLineEdit*, 5> TTagPage::TextEdits() const
{
    return {edtTitle, edtArtist, edtAlbum, edtYear, edtComment};
}

void TTagPage::ShowPlaceholders()
{
    for (QLineEdit* edit : TextEdits()) {
        SetMark(edit, 0);
        SetProgramText(edit, kDontChange);
        SetFontStyle(edit, true, false);
    }
    cmbGenre->insertItem(0, kDontChange);
    cmbGenre->setCurrentIndex(0);
    SetFontStyle(cmbGenre, true, false);
}

bool TTagPage::AnyFieldChanged() const
{
    for (const QLineEdit* edit : TextEdits()) {
        if (ChangedMark(edit) == 1)
            return true;
    }
    return GenreChanged(cmbGenre);
}

int TTagPage::ChangedMark(const QLineEdit* edit)
{
    return edit->property("Tag").toInt();
}

void TTagPage::SetMark(QLineEdit* edit, int mark)
{
    edit->setProperty("Tag", mark);
}

bool TTagPage::GenreChanged(const QComboBox* combo)
{
    return combo->currentIndex() != 0 || combo->currentText() != kDontChange;
}

void TTagPage::SetFontStyle(QWidget* widget, bool italic, bool bold)
{
    QFont font = widget->font();
    font.setItalic(italic);
    font.setBold(bold);
    widget->setFont(font);
}

int TTagPage::DesignLimit(const QLineEdit* edit)
{
    return edit->property("Limit").toInt();
}

void TTagPage::SetProgramText(QLineEdit* edit, const QString& text)
{
    if (text.size() > edit->maxLength())
        edit->setMaxLength(static_cast<int>(text.size()));
    edit->setText(text);
    // The start of a long text is what tells it apart.
    edit->setCursorPosition(0);
}

void TTagPage::RestoreLimit(QLineEdit* edit)
{
    const int limit = DesignLimit(edit);
    edit->setMaxLength(limit > 0 ? limit : kNoLimit);
}
