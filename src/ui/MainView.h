#pragma once

#include "AlarmList.h"

#include <QTableView>

#include <array>
#include <cstdint>
#include <functional>

class CAlarmListModel;
class QMenu;

// The alarm list drawn as a report: it renders CAlarmList and hands the operator's clicks, keys
// and selection back to it.
class CMainView : public QTableView {
    Q_OBJECT
public:
    CMainView(CAlarmList& list, const CSettings& settings, QWidget* parent);

    // The list changed: redraw rows, selection, sort mark and background.
    void ListChanged();
    std::array<std::int32_t, CAlarmList::COLUMN_COUNT> ColumnWidths() const;
    void SetContextMenu(QMenu* menu) { m_contextMenu = menu; }
    CAlarmListModel& Model() { return *m_model; }

    // Called when the operator changed the selection (the print dialog follows it).
    std::function<void()> SelectionChangedByOperator;
    // Space and Return on the list view the selected alarm.
    std::function<void()> ViewRequested;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ApplySelection();
    void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);

    CAlarmList& m_list;
    CAlarmListModel* m_model = nullptr;
    QMenu* m_contextMenu = nullptr;
    bool m_syncing = false;
    bool m_grey = false;
};
