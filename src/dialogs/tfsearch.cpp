#include "tfsearch.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStringMatcher>
#include <QVBoxLayout>

#include <algorithm>

namespace {

void FoldAToZ(QChar* begin, QChar* end)
{
    for (QChar* c = begin; c != end; ++c) {
        const char16_t u = c->unicode();
        if (u >= u'A' && u <= u'Z')
            *c = QChar(static_cast<char16_t>(u - u'A' + u'a'));
    }
}

bool IsEnterKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

TfSearch::TfSearch(const QAbstractItemModel& playlist, QWidget* parent)
    : QDialog(parent)
    , m_playlist(playlist)
{
    setObjectName(QStringLiteral("fSearch"));
    setWindowTitle(QStringLiteral("Jump to file"));
    resize(333, 346);

    xSearch = new QGroupBox(QStringLiteral("&Search for text"), this);
    xSearch->setObjectName(QStringLiteral("xSearch"));
    eSearch = new QLineEdit(xSearch);
    eSearch->setObjectName(QStringLiteral("eSearch"));
    auto* search = new QHBoxLayout(xSearch);
    search->addWidget(eSearch);

    List = new QListWidget(this);
    List->setObjectName(QStringLiteral("List"));
    List->setSelectionMode(QAbstractItemView::SingleSelection);

    bCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    bCancel->setObjectName(QStringLiteral("bCancel"));
    // Enter belongs to the list (it chooses a line), never to this button;
    // Esc cancels through the dialog.
    bCancel->setAutoDefault(false);
    connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(xSearch);
    layout->addWidget(List, 1);
    layout->addWidget(bCancel);

    eSearch->installEventFilter(this);
    List->installEventFilter(this);
    connect(eSearch, &QLineEdit::textChanged, this, &TfSearch::FillResults);
    connect(List, &QAbstractItemView::doubleClicked, this, &TfSearch::ListDblClick);

    // Rows that move or change under the window would make the lines point
    // at other files: the captions are read again.
    connect(&m_playlist, &QAbstractItemModel::modelReset, this, &TfSearch::PlaylistChanged);
    connect(&m_playlist, &QAbstractItemModel::layoutChanged, this, &TfSearch::PlaylistChanged);
    connect(&m_playlist, &QAbstractItemModel::rowsInserted, this, &TfSearch::PlaylistChanged);
    connect(&m_playlist, &QAbstractItemModel::rowsRemoved, this, &TfSearch::PlaylistChanged);
    connect(&m_playlist, &QAbstractItemModel::dataChanged, this, &TfSearch::PlaylistChanged);
}

QString TfSearch::Needle(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first].unicode() <= 32)
        ++first;
    while (last > first && text[last - 1].unicode() <= 32)
        --last;
    QString needle = text.mid(first, last - first);
    FoldAToZ(needle.data(), needle.data() + needle.size());
    return needle;
}

void TfSearch::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TfSearch::FormShow()
{
    // The captions are read once, before the first keystroke.
    if (!m_indexValid)
        BuildIndex();
    ResultRows.reserve(kMaxLines);
    FillResults();
    eSearch->setFocus();
}

void TfSearch::BuildIndex()
{
    const int rows = m_playlist.rowCount();
    std::vector<QString> captions;
    captions.reserve(static_cast<std::size_t>(rows));
    qsizetype total = 0;
    for (int row = 0; row < rows; ++row) {
        captions.push_back(m_playlist.index(row, 0).data(Qt::DisplayRole).toString());
        total += captions.back().size() + 1;
    }
    m_folded.clear();
    m_folded.reserve(total);
    m_starts.clear();
    m_starts.reserve(captions.size() + 1);
    for (const QString& caption : captions) {
        m_starts.push_back(m_folded.size());
        m_folded += caption;
        m_folded += QChar(u'\0');
    }
    m_starts.push_back(m_folded.size());
    FoldAToZ(m_folded.data(), m_folded.data() + m_folded.size());
    m_indexValid = true;
}

void TfSearch::PlaylistChanged()
{
    m_indexValid = false;
    if (isVisible())
        FillResults();
}

void TfSearch::FillResults()
{
    List->clear();
    ResultRows.clear();
    const QString needle = Needle(eSearch->text());
    const int rows = m_playlist.rowCount();

    if (needle.isEmpty()) {
        for (int row = 0; row < std::min(rows, kMaxLines); ++row)
            ResultRows.push_back(row);
    } else {
        if (!m_indexValid)
            BuildIndex();
        const QStringMatcher matcher(needle, Qt::CaseSensitive);
        qsizetype from = 0;
        while (ResultRows.size() < static_cast<std::size_t>(kMaxLines)) {
            const qsizetype hit = matcher.indexIn(m_folded, from);
            if (hit < 0)
                break;
            const auto next = std::upper_bound(m_starts.begin(), m_starts.end(), hit);
            const auto row = static_cast<int>(next - m_starts.begin()) - 1;
            // A hit that runs into the next caption is no match; nor is any
            // later one in the same caption, so the scan goes on after it.
            if (hit + needle.size() < *next)
                ResultRows.push_back(row);
            from = *next;
        }
    }

    QStringList lines;
    lines.reserve(static_cast<qsizetype>(ResultRows.size()));
    for (int row : ResultRows)
        lines << m_playlist.index(row, 0).data(Qt::DisplayRole).toString();
    List->addItems(lines);
    if (List->count() > 0)
        List->setCurrentRow(0);
}

void TfSearch::ListDblClick()
{
    const int line = List->currentRow();
    if (List->count() == 0 || line < 0 || !List->item(line)->isSelected())
        return;
    ChosenRow = ResultRows[static_cast<std::size_t>(line)];
    accept();
}

void TfSearch::eSearchKeyDown(const QKeyEvent& event)
{
    switch (event.key()) {
    case Qt::Key_Down:
    case Qt::Key_Up:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        // The list moves or chooses while the focus stays in the edit,
        // which receives the key as well.
        QKeyEvent forwarded(event.type(), event.key(), event.modifiers(), event.text(), event.isAutoRepeat(),
                            event.count());
        QCoreApplication::sendEvent(List, &forwarded);
        break;
    }
    default:
        break;
    }
}

bool TfSearch::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        if (watched == eSearch) {
            eSearchKeyDown(key);
        } else if (watched == List && IsEnterKey(key.key())) {
            // ListKeyDown: Enter chooses as a double click does.
            ListDblClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

int ShowSearch(const QAbstractItemModel& playlist, QWidget* parent)
{
    TfSearch form(playlist, parent);
    return form.exec() == QDialog::Accepted ? form.ChosenRow : -1;
}
