#pragma once

#include "ObjectInfoMsg.h"
#include "ObjectListSearch.h"

#include <QAbstractTableModel>
#include <QDialog>

#include <functional>
#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QRadioButton;
class QTableView;

// The rows of the open dialog, read from the list logic as the view asks for them.
class CObjectListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    CObjectListModel(CObjectListSearch& list, QObject* parent) : QAbstractTableModel(parent), m_list(list) {}

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

    // The list logic changes as a whole.
    template <class F> void Reset(F change) {
        beginResetModel();
        change();
        endResetModel();
    }

private:
    CObjectListSearch& m_list;
};

// The open dialog: all objects of the register with a find, one of which is opened in the
// object dialog. Modeless; it deletes itself when closed.
class COpenObjectInfoDlg : public QDialog {
    Q_OBJECT
public:
    // `open` is called with the ID code of the object to open.
    COpenObjectInfoDlg(QWidget* parent, std::function<void(const std::string&)> open);

    // The rows of a find-all reply (null: none); preset is looked for at once when not empty.
    void Fill(std::unique_ptr<CObjectInfoMsg> list, const std::string& preset);

    const CObjectListSearch& List() const { return m_list; }
    // The selected row, or -1.
    int SelectedRow() const;

    void FindFirst() { Find(true); }
    void FindNext() { Find(false); }
    void OpenSelected();

private:
    // Selects and shows the row; false (and a beep unless quiet) when there is none.
    bool Find(bool first, bool quiet = false);

    std::function<void(const std::string&)> m_open;
    CObjectListSearch m_list;
    CObjectListModel* m_model = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_count = nullptr;
    QRadioButton* m_byIdCode = nullptr;
    QRadioButton* m_byIdInfo = nullptr;
    QLineEdit* m_search = nullptr;
};
