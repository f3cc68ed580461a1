#include "AlarmListModel.h"

#include "AlarmList.h"
#include "GuiText.h"

#include <QPainter>

namespace {

constexpr int DISC_SIZE = 13;

QPixmap DrawDisc(const QColor& fill, const QColor& mark) {
    const qreal dpr = 2.0; // sharp on high-DPI screens too
    QPixmap pixmap(static_cast<int>(DISC_SIZE * dpr), static_cast<int>(DISC_SIZE * dpr));
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(fill);
    p.drawEllipse(QRectF(0.5, 0.5, DISC_SIZE - 1, DISC_SIZE - 1));
    if (mark.isValid()) {
        p.setPen(QPen(mark, 2));
        p.drawLine(QPointF(6.5, 3), QPointF(6.5, 7.5));
        p.drawPoint(QPointF(6.5, 10));
    }
    return pixmap;
}

} // namespace

CAlarmListModel::CAlarmListModel(const CAlarmList& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list) {}

int CAlarmListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_list.Rows().size());
}

int CAlarmListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : CAlarmList::COLUMN_COUNT;
}

QPixmap CAlarmListModel::StatusDisc(int status) {
    static const std::array<QPixmap, 5> discs = {
        DrawDisc(Qt::white, Qt::red),    DrawDisc(QColor(255, 0, 0), {}),   DrawDisc(QColor(255, 255, 0), {}),
        DrawDisc(QColor(0, 200, 0), {}), DrawDisc(QColor(0, 255, 255), {}),
    };
    return discs[status >= 1 && status <= 4 ? static_cast<std::size_t>(status) : 0];
}

QVariant CAlarmListModel::data(const QModelIndex& index, int role) const {
    const auto& rows = m_list.Rows();
    if (!index.isValid() || index.row() >= static_cast<int>(rows.size())) {
        return {};
    }
    const SAlarmRow& row = rows[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return Gui::Q(row.Column(index.column()));
    case Qt::DecorationRole:
        return index.column() == 0 ? QVariant(StatusDisc(row.Status())) : QVariant();
    case Qt::UserRole:
        return QVariant::fromValue(row.key);
    default:
        return {};
    }
}

QVariant CAlarmListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    static const char* const tags[CAlarmList::COLUMN_COUNT] = {"IDS_MAINVIEW_MSG_11", "IDS_MAINVIEW_MSG_12",
                                                               "IDS_MAINVIEW_MSG_13", "IDS_MAINVIEW_MSG_14",
                                                               "IDS_MAINVIEW_MSG_15"};
    return section >= 0 && section < CAlarmList::COLUMN_COUNT ? Gui::Tr(tags[section]) : QVariant();
}

void CAlarmListModel::Reload() {
    beginResetModel();
    endResetModel();
}
