#pragma once

#include <QAbstractTableModel>
#include <QPixmap>

#include <array>

class CAlarmList;

// The rows of the alarm list as Qt sees them: read straight from CAlarmList, never copied.
class CAlarmListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CAlarmListModel(const CAlarmList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The list changed as a whole (fill, sort, new alarm, delete, status): one reset.
    void Reload();

    // The 13-pixel disc of a status (0 for one the list does not know).
    static QPixmap StatusDisc(int status);

private:
    const CAlarmList& m_list;
};
