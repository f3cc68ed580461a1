#include "OperatorsDlg.h"

#include "GuiText.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

COperatorsDlg::COperatorsDlg(QWidget* parent, const std::array<std::string, 10>& names) : QDialog(parent) {
    setObjectName(QStringLiteral("OperatorsDlg"));
    setWindowTitle(Gui::Tr("IDD_OPERATORS_CAPTION"));

    auto* form = new QFormLayout;
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("operator%1").arg(i));
        field->setMaxLength(MAX_NAME_CHARS);
        field->setMinimumWidth(field->fontMetrics().averageCharWidth() * (MAX_NAME_CHARS + 2));
        field->setText(Gui::Q(names[i]));
        form->addRow(QStringLiteral("%1:").arg(i + 1), field);
        m_fields[i] = field;
    }

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Gui::Tr("IDS_IDOK"), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("ok"));
    buttons->addButton(Gui::Tr("IDS_IDCANCEL"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void COperatorsDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    raise();
    activateWindow();
}

std::array<std::string, 10> COperatorsDlg::Names() const {
    std::array<std::string, 10> names;
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        names[i] = Gui::S(m_fields[i]->text());
    }
    return names;
}

bool COperatorsDlg::Run(QWidget* parent, std::array<std::string, 10>& names) {
    COperatorsDlg dialog(parent, names);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    names = dialog.Names();
    return true;
}
