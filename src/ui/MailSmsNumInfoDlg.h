#pragma once

#include "Msg.h"
#include "MsgKinds.h"
#include "RecipientList.h"

#include <QAbstractTableModel>
#include <QDialog>

#include <cstddef>
#include <cstdint>
#include <vector>

class CMORADoc;
class QPushButton;
class QTableView;

// Rows of one of the recipients dialog's lists (name, key), read from the list logic.
class CRecipientEntryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    CRecipientEntryModel(const std::vector<CRecipientList::SEntry>& entries, QObject* parent)
        : QAbstractTableModel(parent), m_entries(entries) {}
    void SetHeaders(const QString& name, const QString& key) { m_headers = {name, key}; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void Reset() {
        beginResetModel();
        endResetModel();
    }

private:
    const std::vector<CRecipientList::SEntry>& m_entries;
    QStringList m_headers;
};

// The recipients dialog, in e-mail or SMS mode: the recipients of one field of an object (or of
// the Send SMS dialog's number field), picked from the register and kept in it. Modal.
//
// Use: construct with the mode, the field's text and, in SMS mode, the kind the SMS register's
// replies must carry for it (34 from the object dialog, 35 from the Send SMS dialog); exec();
// while it runs, the owner hands it every register reply with OnReply (kind 33 in e-mail mode,
// the given kind in SMS mode) and gets back what it did not take. After Accepted, Result() is the
// new field text: the recipients' keys in list order joined with "; ".
class CMailSmsNumInfoDlg : public QDialog, private IRecipientView {
    Q_OBJECT
public:
    CMailSmsNumInfoDlg(CMORADoc& doc, CRecipientList::EMode mode, const QString& fieldText, QWidget* parent,
                       std::uint16_t smsReplyKind = MsgKind::UI_SMSNUM_REPLY);

    // A register reply; returns it when it is not this dialog's.
    MsgPtr OnReply(MsgPtr reply) { return m_list.OnReply(std::move(reply)); }
    // The kind of the replies this dialog takes.
    std::uint16_t ReplyKind() const { return m_list.ReplyKind(); }

    QString Result() const;
    // OK beeps and stays while the result would be longer than this many characters (0: any).
    void SetResultLimit(std::size_t chars) { m_resultLimit = chars; }

    const CRecipientList& List() const { return m_list; }
    void OnNew();
    void OnEdit();

    void accept() override;

private:
    // IRecipientView
    void ShowLists() override;
    void ScrollToRecipient(int row) override;
    IFrontEnd::EResult Ask(const std::string& text, IFrontEnd::EButtons buttons,
                           IFrontEnd::EIcon icon) override;

    void FollowSelections();
    static QTableView* MakeList(QWidget* parent, const char* name, CRecipientEntryModel* model);

    CMORADoc& m_doc;
    CRecipientList m_list;
    std::size_t m_resultLimit = 0;
    CRecipientEntryModel* m_recipientModel = nullptr;
    CRecipientEntryModel* m_registerModel = nullptr;
    QTableView* m_recipients = nullptr;
    QTableView* m_register = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_delete = nullptr;
    bool m_showing = false;
};
