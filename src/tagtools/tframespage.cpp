#include "tframespage.h"

#include "tframedialog.h"
#include "tmp3tagv2.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

TFramesPage::TFramesPage(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pageFrames"));
    labFramesInfo = new QLabel(this);
    labFramesInfo->setObjectName(QStringLiteral("labFramesInfo"));
    labFramesInfo->setTextFormat(Qt::PlainText);
    labFramesInfo->setWordWrap(true);
    labFramesInfo->hide();
    tblFrames = new QTableView(this);
    tblFrames->setObjectName(QStringLiteral("tblFrames"));
    tblFrames->setModel(&m_model);
    tblFrames->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblFrames->setSelectionMode(QAbstractItemView::SingleSelection);
    tblFrames->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblFrames->verticalHeader()->hide();
    tblFrames->horizontalHeader()->setStretchLastSection(false);
    tblFrames->horizontalHeader()->setSectionResizeMode(TFramesModel::ColValue, QHeaderView::Stretch);
    tblFrames->setWordWrap(false);

    auto button = [this](const char* name, const char* text, void (TFramesPage::*click)()) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, click);
        return b;
    };
    btnFrameAdd = button("btnFrameAdd", "A&dd ...", &TFramesPage::btnFrameAddClick);
    btnFrameEdit = button("btnFrameEdit", "&Edit ...", &TFramesPage::btnFrameEditClick);
    btnFrameDelete = button("btnFrameDelete", "Dele&te", &TFramesPage::btnFrameDeleteClick);
    connect(tblFrames, &QTableView::doubleClicked, this, &TFramesPage::btnFrameEditClick);
    connect(tblFrames->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TFramesPage::updateButtons);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnFrameAdd);
    buttons->addWidget(btnFrameEdit);
    buttons->addWidget(btnFrameDelete);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(labFramesInfo);
    layout->addWidget(tblFrames, 1);
    layout->addLayout(buttons);
    updateButtons();
}

void TFramesPage::ShowFrames(const std::vector<id3v2::FrameEntry>& frames, int major, const QString& failure)
{
    m_readable = failure.isEmpty();
    m_major = major;
    m_model.Load(m_readable ? frames : std::vector<id3v2::FrameEntry>());
    labFramesInfo->setText(m_readable ? QString() : QStringLiteral("The frames cannot be listed: ") + failure);
    labFramesInfo->setVisible(!m_readable);
    tblFrames->resizeColumnsToContents();
    updateButtons();
}

std::array<std::string, id3v2::kFieldCount> TFramesPage::FieldTexts() const
{
    return id3v2::FieldTextsOf(m_model.Entries(), m_major);
}

std::array<std::string, id3v2::kExtraFieldCount> TFramesPage::ExtraTexts() const
{
    return id3v2::ExtraTextsOf(m_model.Entries(), m_major);
}

void TFramesPage::ApplyTo(Tmp3TagV2& tag) const
{
    if (m_model.Changed())
        tag.SetFrameEdits(m_model.Edits());
}

void TFramesPage::AddFrame(const id3v2::FrameValue& value)
{
    const int row = m_model.Add(value);
    tblFrames->setCurrentIndex(m_model.index(row, 0));
    updateButtons();
    emit changed();
}

void TFramesPage::EditFrame(int row, const id3v2::FrameValue& value)
{
    if (row < 0 || row >= m_model.rowCount() || !m_model.Editable(row))
        return;
    m_model.SetValue(row, value);
    emit changed();
}

void TFramesPage::DeleteFrame(int row)
{
    if (row < 0 || row >= m_model.rowCount())
        return;
    m_model.Remove(row);
    updateButtons();
    emit changed();
}

int TFramesPage::currentRow() const
{
    const QModelIndex current = tblFrames->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TFramesPage::btnFrameAddClick()
{
    if (const std::optional<id3v2::FrameValue> value = TFrameDialog::Ask(std::nullopt, this))
        AddFrame(*value);
}

void TFramesPage::btnFrameEditClick()
{
    const int row = currentRow();
    if (row < 0 || !m_model.Editable(row))
        return;
    if (const std::optional<id3v2::FrameValue> value = TFrameDialog::Ask(m_model.ValueAt(row), this))
        EditFrame(row, *value);
}

void TFramesPage::btnFrameDeleteClick()
{
    DeleteFrame(currentRow());
}

void TFramesPage::updateButtons()
{
    const int row = currentRow();
    btnFrameAdd->setEnabled(m_readable);
    btnFrameEdit->setEnabled(row >= 0 && m_model.Editable(row));
    btnFrameDelete->setEnabled(row >= 0);
}
