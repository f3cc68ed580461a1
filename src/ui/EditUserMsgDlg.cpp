#include "EditUserMsgDlg.h"

#include "AddUserMsgItemDlg.h"
#include "GuiText.h"
#include "MORADoc.h"
#include "MessageBox.h"
#include "Translate.h"
#include "UserMsgEditor.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

// The codes of the editor's list, in list order.
class CUserMsgCodeModel : public QAbstractListModel {
public:
    CUserMsgCodeModel(const CUserMsgEditor& editor, QObject* parent)
        : QAbstractListModel(parent), m_editor(editor) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_editor.Entries().size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid() ||
            static_cast<std::size_t>(index.row()) >= m_editor.Entries().size()) {
            return {};
        }
        return Gui::Q(m_editor.Entries()[static_cast<std::size_t>(index.row())].Code);
    }
    void Reset() {
        beginResetModel();
        endResetModel();
    }

private:
    const CUserMsgEditor& m_editor;
};

std::string CEditUserMsgDlg::FilePath(const std::string& workFolder) {
    if (workFolder.empty()) {
        return CUserMessageList::FILE_NAME;
    }
    return workFolder + (workFolder.back() == '/' ? "" : "/") + CUserMessageList::FILE_NAME;
}

void CEditUserMsgDlg::Run(CMORADoc& doc, QWidget* parent) {
    CEditUserMsgDlg dialog(FilePath(doc.WorkFolder()), parent);
    if (!dialog.Open()) {
        return;
    }
    dialog.exec();
}

CEditUserMsgDlg::CEditUserMsgDlg(const std::string& path, QWidget* parent)
    : QDialog(parent), m_editor(std::make_unique<CUserMsgEditor>(path)) {
    setObjectName(QStringLiteral("EditUserMsgDlg"));
    setWindowTitle(Gui::Tr("IDC_EDIT_USER_MSG_CAPTION"));

    auto* codeGroup = new QGroupBox(Gui::Tr("IDC_EDIT_USER_MSG_CODE"), this);
    m_model = new CUserMsgCodeModel(*m_editor, this);
    m_list = new QListView(codeGroup);
    m_list->setObjectName(QStringLiteral("codeList"));
    m_list->setModel(m_model);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setToolTip(Gui::Tr("IDS_EDITUSERMSGDLG_MSG_7"));
    m_list->setMinimumWidth(QFontMetrics(font()).horizontalAdvance(QStringLiteral("W0000")) * 2);
    auto* codeLayout = new QVBoxLayout(codeGroup);
    codeLayout->addWidget(m_list);

    auto* textGroup = new QGroupBox(Gui::Tr("IDC_EDIT_USER_MSG_MESSAGE_TEXT"), this);
    m_text = new QPlainTextEdit(textGroup);
    m_text->setObjectName(QStringLiteral("messageText"));
    m_text->setToolTip(Gui::Tr("IDS_EDITUSERMSGDLG_MSG_8"));
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text->setTabChangesFocus(true);
    m_text->setEnabled(false);
    const QFontMetrics metrics(m_text->font());
    m_text->setMinimumSize(metrics.horizontalAdvance(QLatin1Char('x')) * 48, metrics.height() * 12);
    auto* textLayout = new QVBoxLayout(textGroup);
    textLayout->addWidget(m_text);

    struct SButton {
        const char* label;
        const char* tip;
        const char* name;
    };
    const SButton kinds[] = {{"IDC_EDIT_USER_MSG_NEW", "IDS_EDITUSERMSGDLG_MSG_9", "newButton"},
                             {"IDC_EDIT_USER_MSG_DELETE", "IDS_EDITUSERMSGDLG_MSG_10", "deleteButton"},
                             {"IDC_EDIT_USER_MSG_SAVE", "IDS_EDITUSERMSGDLG_MSG_11", "saveButton"},
                             {"IDC_EDIT_USER_MSG_CLOSE", "IDS_EDITUSERMSGDLG_MSG_12", "closeButton"}};
    auto* buttonLayout = new QVBoxLayout;
    QPushButton* buttons[4] = {};
    for (int i = 0; i < 4; ++i) {
        buttons[i] = new QPushButton(Gui::Tr(kinds[i].label), this);
        buttons[i]->setToolTip(Gui::Tr(kinds[i].tip));
        buttons[i]->setObjectName(QString::fromLatin1(kinds[i].name));
        // Enter belongs to the text field: it starts a new line there.
        buttons[i]->setAutoDefault(false);
        buttonLayout->addWidget(buttons[i]);
    }
    buttonLayout->addStretch(1);
    connect(buttons[0], &QPushButton::clicked, this, &CEditUserMsgDlg::OnNew);
    connect(buttons[1], &QPushButton::clicked, this, &CEditUserMsgDlg::OnDelete);
    connect(buttons[2], &QPushButton::clicked, this, &CEditUserMsgDlg::OnSave);
    connect(buttons[3], &QPushButton::clicked, this, &CEditUserMsgDlg::reject);

    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CEditUserMsgDlg::OnListSelection);
    connect(m_text, &QPlainTextEdit::textChanged, this, &CEditUserMsgDlg::LimitText);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(codeGroup);
    layout->addWidget(textGroup, 1);
    layout->addLayout(buttonLayout);
}

CEditUserMsgDlg::~CEditUserMsgDlg() {
    delete m_list; // before the editor it reads
    m_list = nullptr;
}

void CEditUserMsgDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    raise();
    activateWindow();
}

bool CEditUserMsgDlg::Open() {
    m_updating = true;
    const CUserMsgEditor::EOpen result = m_editor->Open();
    m_model->Reset();
    m_updating = false;
    ShowCurrent();
    if (result == CUserMsgEditor::EOpen::Unreadable) {
        CMessageBox::Show(parentWidget(), Text::TrF("IDS_EDITUSERMSGDLG_MSG_13", m_editor->Path().c_str()),
                          IFrontEnd::EButtons::Ok, IFrontEnd::EIcon::Warning);
        return false;
    }
    return true;
}

std::string CEditUserMsgDlg::FieldText() const {
    return Gui::S(m_text->toPlainText());
}

bool CEditUserMsgDlg::FieldModified() const {
    return m_text->document()->isModified();
}

void CEditUserMsgDlg::LimitText() {
    const QString text = m_text->toPlainText();
    if (text.size() <= static_cast<qsizetype>(CUserMsgEditor::MAX_TEXT)) {
        return;
    }
    // Typed or pasted beyond the limit: keep the first characters, as a length-limited field does.
    QSignalBlocker block(m_text);
    QTextCursor cursor = m_text->textCursor();
    const int position = std::min(cursor.position(), static_cast<int>(CUserMsgEditor::MAX_TEXT));
    m_text->setPlainText(text.left(static_cast<qsizetype>(CUserMsgEditor::MAX_TEXT)));
    m_text->document()->setModified(true);
    cursor = m_text->textCursor();
    cursor.setPosition(position);
    m_text->setTextCursor(cursor);
    QApplication::beep();
}

void CEditUserMsgDlg::ShowCurrent() {
    QSignalBlocker block(m_text);
    if (m_editor->Current()) {
        m_text->setPlainText(Gui::Q(m_editor->CurrentFieldText()));
        m_text->setEnabled(true);
        m_text->setFocus();
    } else {
        m_text->clear();
        m_text->setEnabled(false);
    }
    m_text->document()->setModified(false);
}

void CEditUserMsgDlg::SelectRow(int row) {
    m_updating = true;
    m_list->selectionModel()->clearSelection();
    if (row >= 0) {
        const QModelIndex index = m_model->index(row, 0);
        m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        m_list->scrollTo(index);
    }
    m_updating = false;
}

void CEditUserMsgDlg::OnListSelection() {
    if (m_updating) {
        return;
    }
    const QModelIndexList selected = m_list->selectionModel()->selectedIndexes();
    std::optional<std::size_t> row;
    if (!selected.isEmpty()) {
        row = static_cast<std::size_t>(selected.front().row());
    }
    m_editor->Select(row, {FieldText(), FieldModified()});
    ShowCurrent();
}

void CEditUserMsgDlg::OnNew() {
    std::string code;
    if (!CAddUserMsgItemDlg::Ask(this, code)) {
        return;
    }
    if (m_editor->New(code, {FieldText(), FieldModified()}) == CUserMsgEditor::ENew::Exists) {
        CMessageBox::Show(this, CUserMsgEditor::ExistsText(code), IFrontEnd::EButtons::Ok,
                          IFrontEnd::EIcon::Warning);
        return;
    }
    m_updating = true;
    m_model->Reset();
    m_updating = false;
    SelectRow(static_cast<int>(*m_editor->Current()));
    ShowCurrent();
}

void CEditUserMsgDlg::OnDelete() {
    const QModelIndexList selected = m_list->selectionModel()->selectedIndexes();
    std::optional<std::size_t> row;
    if (!selected.isEmpty()) {
        row = static_cast<std::size_t>(selected.front().row());
    }
    if (!m_editor->Delete(row)) {
        QApplication::beep();
        return;
    }
    m_updating = true;
    m_model->Reset();
    m_updating = false;
    ShowCurrent();
}

bool CEditUserMsgDlg::OnSave() {
    const bool saved = m_editor->Save({FieldText(), FieldModified()});
    m_text->document()->setModified(false);
    if (!saved) {
        // Changes that did not reach the file must not pass for saved.
        CMessageBox::Show(this, Text::TrF("IDS_EDITUSERMSGDLG_MSG_14", m_editor->Path().c_str()),
                          IFrontEnd::EButtons::Ok, IFrontEnd::EIcon::Warning);
    }
    return saved;
}

void CEditUserMsgDlg::reject() {
    const bool modified = FieldModified();
    if (m_editor->Close({FieldText(), modified}) == CUserMsgEditor::EClose::Close) {
        QDialog::reject();
        return;
    }
    // Leaving the entry took the field's text in; it counts as unsaved until written.
    m_text->document()->setModified(false);
    switch (CMessageBox::Show(this, Text::Tr("IDS_EDITUSERMSGDLG_MSG_5"), IFrontEnd::EButtons::YesNoCancel,
                              IFrontEnd::EIcon::Question)) {
    case IFrontEnd::EResult::Yes:
        if (OnSave()) {
            QDialog::reject();
        }
        break;
    case IFrontEnd::EResult::No:
        QDialog::reject();
        break;
    default:
        break;
    }
}
