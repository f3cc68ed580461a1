#include "MainView.h"

#include "AlarmListModel.h"
#include "GuiText.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

CMainView::CMainView(CAlarmList& list, const CSettings& settings, QWidget* parent)
    : QTableView(parent), m_list(list) {
    setObjectName(QStringLiteral("alarmList"));
    m_model = new CAlarmListModel(list, this);
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setIconSize(QSize(13, 13));
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
    const std::array<std::int32_t, CAlarmList::COLUMN_COUNT> widths = {
        settings.ColumnWidthStatus, settings.ColumnWidthType, settings.ColumnWidthIdCode,
        settings.ColumnWidthIdInfo, settings.ColumnWidthDateTime};
    for (int c = 0; c < CAlarmList::COLUMN_COUNT; ++c) {
        // A stored width of 0 would hide the column for good.
        setColumnWidth(c, widths[static_cast<std::size_t>(c)] > 8 ? widths[static_cast<std::size_t>(c)] : 80);
    }
    // The status column must at least show its disc and text.
    setColumnWidth(0,
                   std::max(columnWidth(0), fontMetrics().horizontalAdvance(QStringLiteral("Undef")) + 34));
    // The type column must show the longest standard type text whole: the default width was made
    // for a smaller font than a Linux desktop's.
    int typeWidth = 0;
    for (int type = CAlarmInfoMsg::ALARMTYPE_P100; type <= CAlarmInfoMsg::ALARMTYPE_VOICE_REDIRECTED; ++type) {
        typeWidth = std::max(typeWidth, fontMetrics().horizontalAdvance(Gui::Q(CAlarmList::TypeText(type))));
    }
    setColumnWidth(1, std::max(columnWidth(1), typeWidth + 16));

    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { m_list.SortByColumn(column); });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &CMainView::OnSelectionChanged);
    ListChanged();
}

void CMainView::ListChanged() {
    m_syncing = true;
    m_model->Reload();
    ApplySelection();
    m_syncing = false;
    horizontalHeader()->setSortIndicator(m_list.SortColumn(), m_list.Descending(m_list.SortColumn())
                                                                  ? Qt::DescendingOrder
                                                                  : Qt::AscendingOrder);
    const bool grey = m_list.Unattended();
    if (grey != m_grey) {
        m_grey = grey;
        QPalette p = palette();
        const QColor base = Gui::Colour(m_list.Background());
        p.setColor(QPalette::Base, base);
        p.setColor(QPalette::AlternateBase, base);
        p.setColor(QPalette::Text, Qt::black);
        setPalette(p);
    }
}

void CMainView::ApplySelection() {
    const auto& rows = m_list.Rows();
    QItemSelection selection;
    int first = -1;
    int start = -1;
    const int last = m_model->columnCount() - 1;
    for (int r = 0; r <= static_cast<int>(rows.size()); ++r) {
        const bool selected = r < static_cast<int>(rows.size()) && rows[static_cast<std::size_t>(r)].selected;
        if (selected && start < 0) {
            start = r;
            if (first < 0) {
                first = r;
            }
        } else if (!selected && start >= 0) {
            selection.select(m_model->index(start, 0), m_model->index(r - 1, last));
            start = -1;
        }
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (first >= 0) {
        selectionModel()->setCurrentIndex(m_model->index(first, 0), QItemSelectionModel::NoUpdate);
        scrollTo(m_model->index(first, 0), QAbstractItemView::EnsureVisible);
    }
}

void CMainView::OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    if (m_syncing) {
        return;
    }
    for (const QItemSelectionRange& range : deselected) {
        for (int r = range.top(); r <= range.bottom(); ++r) {
            m_list.Select(static_cast<std::size_t>(r), false);
        }
    }
    for (const QItemSelectionRange& range : selected) {
        for (int r = range.top(); r <= range.bottom(); ++r) {
            m_list.Select(static_cast<std::size_t>(r), true);
        }
    }
    if (SelectionChangedByOperator) {
        SelectionChangedByOperator();
    }
}

std::array<std::int32_t, CAlarmList::COLUMN_COUNT> CMainView::ColumnWidths() const {
    std::array<std::int32_t, CAlarmList::COLUMN_COUNT> widths{};
    for (int c = 0; c < CAlarmList::COLUMN_COUNT; ++c) {
        widths[static_cast<std::size_t>(c)] = columnWidth(c);
    }
    return widths;
}

void CMainView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier && ViewRequested) {
        ViewRequested();
        return;
    }
    QTableView::keyPressEvent(event);
}

void CMainView::contextMenuEvent(QContextMenuEvent* event) {
    if (m_contextMenu != nullptr) {
        m_contextMenu->exec(event->globalPos());
    }
}
