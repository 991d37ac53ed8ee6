#include "tmorepage.h"

#include "tmp3tagv2.h"
#include "ttagpage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

TMorePage::TMorePage(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pageMore"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(12, 10, 12, 12);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    // Two columns of label and field, filled down the first column first.
    constexpr int kRows = (id3v2::kExtraFieldCount + 1) / 2;
    QWidget* previous = nullptr;
    for (std::size_t i = 0; i < id3v2::kExtraFieldCount; ++i) {
        const id3v2::ExtraFieldInfo& info = id3v2::kExtraFields[i];
        const QString name = QStringLiteral("edtID3v2_") + QString::fromLatin1(info.name);
        const int row = static_cast<int>(i) % kRows;
        const int column = static_cast<int>(i) / kRows * 2;
        QWidget* field = nullptr;
        if (i == id3v2::kCompilation) {
            chkCompilation = new QCheckBox(this);
            chkCompilation->setObjectName(QStringLiteral("chkID3v2_compilation"));
            connect(chkCompilation, &QCheckBox::clicked, this, [this] { m_edited.set(id3v2::kCompilation); });
            connect(chkCompilation, &QCheckBox::stateChanged, this, &TMorePage::changed);
            field = chkCompilation;
        } else {
            auto* edit = new QLineEdit(this);
            edit->setObjectName(name);
            edit->setProperty("Limit", 0);
            TTagPage::RestoreLimit(edit);
            edit->setMinimumWidth(160);
            connect(edit, &QLineEdit::textEdited, this, [this, i] { m_edited.set(i); });
            m_edits[i] = edit;
            field = edit;
        }
        auto* label = new QLabel(QString::fromLatin1(info.caption) + QLatin1Char(':'), this);
        label->setBuddy(field);
        grid->addWidget(label, row, column);
        grid->addWidget(field, row, column + 1);
        if (previous)
            setTabOrder(previous, field);
        previous = field;
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(kRows, 1);
}

std::vector<QLineEdit*> TMorePage::Edits() const
{
    std::vector<QLineEdit*> edits;
    for (QLineEdit* edit : m_edits)
        if (edit)
            edits.push_back(edit);
    return edits;
}

void TMorePage::ShowTag(const Tmp3TagV2& tag)
{
    std::array<std::string, id3v2::kExtraFieldCount> texts;
    for (std::size_t i = 0; i < id3v2::kExtraFieldCount; ++i)
        texts[i] = tag.Extra(static_cast<id3v2::ExtraField>(i));
    m_edited.reset();
    ShowFrameTexts(texts);
}

void TMorePage::ShowFrameTexts(const std::array<std::string, id3v2::kExtraFieldCount>& texts)
{
    if (m_multiFileMode)
        return;
    for (std::size_t i = 0; i < id3v2::kExtraFieldCount; ++i) {
        if (m_edited.test(i))
            continue;
        if (m_edits[i])
            TTagPage::SetProgramText(m_edits[i], QString::fromStdString(texts[i]));
        else
            chkCompilation->setChecked(!texts[i].empty());
    }
}

void TMorePage::ShowPlaceholders()
{
    m_multiFileMode = true;
    for (QLineEdit* edit : Edits()) {
        TTagPage::SetMark(edit, 0);
        TTagPage::SetProgramText(edit, TTagPage::kDontChange);
        TTagPage::SetFontStyle(edit, true, false);
    }
    chkCompilation->setTristate(true);
    chkCompilation->setCheckState(Qt::PartiallyChecked);
    chkCompilation->setToolTip(TTagPage::kDontChange);
}

bool TMorePage::AnyFieldChanged() const
{
    const Changes changes = PendingChanges();
    return std::any_of(changes.begin(), changes.end(), [](const auto& change) { return change.has_value(); });
}

TMorePage::Changes TMorePage::PendingChanges() const
{
    Changes changes;
    for (std::size_t i = 0; i < id3v2::kExtraFieldCount; ++i) {
        const bool changed = m_multiFileMode ? (m_edits[i] ? TTagPage::ChangedMark(m_edits[i]) == 1
                                                           : chkCompilation->checkState() != Qt::PartiallyChecked)
                                             : m_edited.test(i);
        if (!changed)
            continue;
        if (m_edits[i])
            changes[i] = m_edits[i]->text().toStdString();
        else
            changes[i] = std::string(chkCompilation->checkState() == Qt::Checked ? 1 : 0, '1');
    }
    return changes;
}

void TMorePage::ApplyTo(Tmp3TagV2& tag) const
{
    const Changes changes = PendingChanges();
    for (std::size_t i = 0; i < id3v2::kExtraFieldCount; ++i)
        if (changes[i])
            tag.SetExtra(static_cast<id3v2::ExtraField>(i), *changes[i]);
}
