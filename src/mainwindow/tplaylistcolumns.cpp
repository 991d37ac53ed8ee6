#include "tplaylistcolumns.h"

#include "optionvalues.h"
#include "tplaylistmodel.h"
#include "ttmtlistview.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>

#include <string>

namespace {

using Order = TPlaylistModel::Order;

// The first widths of the table's columns.
constexpr int kFirstWidths[TPlaylistModel::kColumnCount] = {44, 160, 120, 120, 56, 48, 80, 64, 96, 160, 200, 120, 48};

std::string OrderText(const TPlaylistModel& model)
{
    switch (model.CurrentOrder()) {
    case Order::Album:
        return "album";
    case Order::Column:
        return "column " + std::to_string(model.OrderColumn()) + (model.OrderDescending() ? " descending" : "");
    default:
        return "caption";
    }
}

} // namespace

TPlaylistColumns::TPlaylistColumns(TPlaylistModel& model, TtmtListView& view, QWidget* menuParent)
    : QObject(&view)
    , m_model(model)
    , m_view(view)
{
    m_viewMenu = new QMenu(QStringLiteral("&View"), menuParent);
    m_viewMenu->setObjectName(QStringLiteral("mnuView"));
    m_tagColumns = m_viewMenu->addAction(QStringLiteral("&Tag columns"));
    m_tagColumns->setObjectName(QStringLiteral("mnuTagColumns"));
    m_tagColumns->setCheckable(true);
    m_viewMenu->addSeparator();
    m_sortByCaption = m_viewMenu->addAction(QStringLiteral("Sort by &caption"));
    m_sortByCaption->setObjectName(QStringLiteral("mnuSortByCaption"));
    m_sortByAlbum = m_viewMenu->addAction(QStringLiteral("Sort by &album"));
    m_sortByAlbum->setObjectName(QStringLiteral("mnuSortByAlbum"));
    m_headerMenu = new QMenu(menuParent);
    m_headerMenu->setObjectName(QStringLiteral("mnuColumns"));
    for (int column = TPlaylistModel::kTitle; column < TPlaylistModel::kColumnCount; ++column) {
        QAction* shown = m_headerMenu->addAction(TPlaylistModel::ColumnCaption(column));
        shown->setCheckable(true);
        shown->setData(column);
        connect(shown, &QAction::toggled, this, [this, column](bool on) {
            if (m_model.TagColumns())
                m_view.header()->setSectionHidden(column, !on);
        });
    }

    connect(m_tagColumns, &QAction::toggled, this, &TPlaylistColumns::SetTagColumns);
    connect(m_sortByCaption, &QAction::triggered, this, [this] {
        m_model.SetOrder(Order::Caption);
        ShowOrderInHeader();
    });
    connect(m_sortByAlbum, &QAction::triggered, this, [this] {
        m_model.SetOrder(Order::Album);
        ShowOrderInHeader();
    });
    QHeaderView* header = m_view.header();
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QHeaderView::customContextMenuRequested, this, &TPlaylistColumns::ShowHeaderMenu);
    connect(header, &QHeaderView::sectionClicked, this, &TPlaylistColumns::HeaderClicked);
    ApplyStoredChoices();
}

void TPlaylistColumns::ApplyStoredChoices()
{
    m_tableState = QByteArray::fromStdString(options::playlistHeader);
    const std::string& order = options::playlistOrder;
    if (order == "album") {
        m_model.SetOrder(Order::Album);
    } else if (order.starts_with("column ")) {
        try {
            m_model.SetOrder(Order::Column, std::stoi(order.substr(7)), order.ends_with(" descending"));
        } catch (const std::exception&) {
            m_model.SetOrder(Order::Caption); // not a number: the described order
        }
    }
    m_tagColumns->setChecked(options::playlistTagColumns);
}

void TPlaylistColumns::SetTagColumns(bool on)
{
    if (on == m_model.TagColumns())
        return;
    QHeaderView* header = m_view.header();
    if (on) {
        m_captionWidth = header->sectionSize(0);
        m_model.SetTagColumns(true);
        header->setSectionsMovable(true);
        header->setSectionsClickable(true);
        header->setFirstSectionMovable(false);
        if (m_tableState.isEmpty() || !header->restoreState(m_tableState)) {
            for (int column = 0; column < TPlaylistModel::kColumnCount; ++column)
                header->resizeSection(column, kFirstWidths[column]);
            // The album columns are offered in the header's menu.
            header->setSectionHidden(TPlaylistModel::kAlbumArtist, true);
            header->setSectionHidden(TPlaylistModel::kDisc, true);
        }
        for (QAction* shown : m_headerMenu->actions())
            shown->setChecked(!header->isSectionHidden(shown->data().toInt()));
    } else {
        m_tableState = header->saveState();
        m_model.SetTagColumns(false);
        header->setSectionsMovable(false);
        header->setSectionsClickable(false);
        header->resizeSection(0, m_captionWidth >= 0 ? m_captionWidth : std::max(0, m_view.width() - 16));
    }
    m_tagColumns->setChecked(on);
    ShowOrderInHeader();
}

void TPlaylistColumns::HeaderClicked(int column)
{
    if (!m_model.TagColumns())
        return;
    const bool again = m_model.CurrentOrder() == Order::Column && m_model.OrderColumn() == column;
    m_model.SetOrder(Order::Column, column, again && !m_model.OrderDescending());
    ShowOrderInHeader();
}

void TPlaylistColumns::ShowOrderInHeader()
{
    QHeaderView* header = m_view.header();
    const bool byColumn = m_model.TagColumns() && m_model.CurrentOrder() == Order::Column;
    header->setSortIndicatorShown(byColumn);
    if (byColumn)
        header->setSortIndicator(m_model.OrderColumn(), m_model.OrderDescending() ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void TPlaylistColumns::ShowHeaderMenu(const QPoint& pos)
{
    if (!m_model.TagColumns())
        return;
    m_headerMenu->popup(m_view.header()->viewport()->mapToGlobal(pos));
}

void TPlaylistColumns::KeepChoices() const
{
    options::playlistTagColumns = m_model.TagColumns();
    const QByteArray state = m_model.TagColumns() ? m_view.header()->saveState() : m_tableState;
    options::playlistHeader = state.toStdString();
    options::playlistOrder = OrderText(m_model);
}

int TPlaylistColumns::CaptionColumnWidth() const
{
    return m_model.TagColumns() ? m_captionWidth : m_view.header()->sectionSize(0);
}

void TPlaylistColumns::SetCaptionColumnWidth(int width)
{
    if (m_model.TagColumns())
        m_captionWidth = width;
    else
        m_view.header()->resizeSection(0, width);
}
