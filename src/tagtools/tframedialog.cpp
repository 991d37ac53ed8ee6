#include "tframedialog.h"

#include "fixeddialog.h"
#include "id3v2lyrics.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

QString Display(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace

TFrameDialog::TFrameDialog(const std::optional<id3v2::FrameValue>& value, QWidget* parent)
    : QDialog(parent, kFixedDialogFlags)
{
    setObjectName(QStringLiteral("frmFrame"));
    setWindowTitle(value ? QStringLiteral("Edit frame") : QStringLiteral("Add frame"));
    cmbFrameId = new QComboBox(this);
    cmbFrameId->setObjectName(QStringLiteral("cmbFrameId"));
    for (const std::string& id : id3v2::EditableIds())
        cmbFrameId->addItem(Display(id) + QStringLiteral(" - ") + Display(id3v2::FrameName(id)), Display(id));
    edtFrameDescription = new QLineEdit(this);
    edtFrameDescription->setObjectName(QStringLiteral("edtFrameDescription"));
    edtFrameLanguage = new QLineEdit(QStringLiteral("eng"), this);
    edtFrameLanguage->setObjectName(QStringLiteral("edtFrameLanguage"));
    edtFrameLanguage->setMaxLength(3);
    edtFrameLanguage->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[A-Za-z]{0,3}")), edtFrameLanguage));
    memFrameValue = new QPlainTextEdit(this);
    memFrameValue->setObjectName(QStringLiteral("memFrameValue"));
    memFrameValue->setTabChangesFocus(true);
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    if (value) {
        const int at = cmbFrameId->findData(Display(value->id));
        if (at < 0)
            cmbFrameId->addItem(Display(value->id), Display(value->id));
        cmbFrameId->setCurrentIndex(at < 0 ? cmbFrameId->count() - 1 : at);
        cmbFrameId->setEnabled(false);
        edtFrameDescription->setText(Display(value->description));
        edtFrameLanguage->setText(Display(value->language));
        memFrameValue->setPlainText(Display(value->text));
    }
    connect(cmbFrameId, &QComboBox::currentIndexChanged, this, &TFrameDialog::idChanged);
    connect(memFrameValue, &QPlainTextEdit::textChanged, this, &TFrameDialog::updateOk);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Frame:"), cmbFrameId);
    form->addRow(QStringLiteral("&Description:"), edtFrameDescription);
    form->addRow(QStringLiteral("&Language:"), edtFrameLanguage);
    form->addRow(QStringLiteral("&Value:"), memFrameValue);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    idChanged();
    resize(460, 300);
}

id3v2::FrameValue TFrameDialog::Value() const
{
    id3v2::FrameValue value;
    value.id = cmbFrameId->currentData().toString().toStdString();
    const id3v2::FrameKind kind = id3v2::EditedKind(value.id);
    if (kind != id3v2::FrameKind::Text)
        value.description = edtFrameDescription->text().toStdString();
    if (kind == id3v2::FrameKind::Comment || kind == id3v2::FrameKind::Lyrics) {
        value.language = edtFrameLanguage->text().toStdString();
        if (!id3v2::IsLanguageCode(value.language))
            value.language = "XXX";
    }
    value.text = memFrameValue->toPlainText().toStdString();
    return value;
}

void TFrameDialog::idChanged()
{
    const id3v2::FrameKind kind = id3v2::EditedKind(cmbFrameId->currentData().toString().toStdString());
    edtFrameDescription->setEnabled(kind != id3v2::FrameKind::Text);
    edtFrameLanguage->setEnabled(kind == id3v2::FrameKind::Comment || kind == id3v2::FrameKind::Lyrics);
    updateOk();
}

void TFrameDialog::updateOk()
{
    // A frame without a value would say nothing.
    buttons->button(QDialogButtonBox::Ok)->setEnabled(!memFrameValue->toPlainText().trimmed().isEmpty());
}

std::optional<id3v2::FrameValue> TFrameDialog::Ask(const std::optional<id3v2::FrameValue>& value, QWidget* parent)
{
    TFrameDialog dialog(value, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Value();
}
