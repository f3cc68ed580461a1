#include "MessageBox.h"

#include "GuiText.h"
#include "MessageBoxPolicy.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <map>

namespace {

QMessageBox::Icon ToQt(IFrontEnd::EIcon icon) {
    switch (icon) {
    case IFrontEnd::EIcon::Information:
        return QMessageBox::Information;
    case IFrontEnd::EIcon::Warning:
        return QMessageBox::Warning;
    case IFrontEnd::EIcon::Error:
        return QMessageBox::Critical;
    case IFrontEnd::EIcon::Question:
        return QMessageBox::Question;
    case IFrontEnd::EIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::ButtonRole Role(IFrontEnd::EResult result) {
    switch (result) {
    case IFrontEnd::EResult::Ok:
    case IFrontEnd::EResult::Yes:
    case IFrontEnd::EResult::Retry:
        return QMessageBox::AcceptRole;
    case IFrontEnd::EResult::No:
        return QMessageBox::NoRole;
    case IFrontEnd::EResult::Cancel:
    case IFrontEnd::EResult::Abort:
        return QMessageBox::RejectRole;
    case IFrontEnd::EResult::Ignore:
        return QMessageBox::ActionRole;
    }
    return QMessageBox::ActionRole;
}

} // namespace

IFrontEnd::EResult CMessageBox::Show(QWidget* parent, const std::string& text, IFrontEnd::EButtons buttons,
                                     IFrontEnd::EIcon icon, int defaultButton) {
    const auto layout = CMessageBoxPolicy::Layout(text, buttons, icon, defaultButton);
    if (parent == nullptr) {
        parent = QApplication::activeWindow();
    }
    QMessageBox box(parent);
    box.setObjectName(QStringLiteral("MoraMessageBox"));
    box.setWindowTitle(Gui::Q(layout.title));
    box.setText(Gui::FromCrLf(layout.text));
    box.setIcon(ToQt(layout.icon));
    std::map<QAbstractButton*, IFrontEnd::EResult> results;
    QPushButton* escape = nullptr;
    for (std::size_t i = 0; i < layout.buttons.size(); ++i) {
        const auto& b = layout.buttons[i];
        QPushButton* button = box.addButton(Gui::Q(b.text), Role(b.result));
        button->setObjectName(QStringLiteral("button%1").arg(static_cast<int>(b.result)));
        results[button] = b.result;
        if (static_cast<int>(i) == layout.defaultButton) {
            box.setDefaultButton(button);
        }
        if (b.result == IFrontEnd::EResult::Cancel || b.result == IFrontEnd::EResult::No ||
            layout.buttons.size() == 1) {
            escape = button;
        }
    }
    if (escape != nullptr) {
        box.setEscapeButton(escape);
    }
    box.exec();
    const auto it = results.find(box.clickedButton());
    if (it != results.end()) {
        return it->second;
    }
    // Closed without a button (only possible where Escape has no button): the safe answer.
    return layout.buttons.size() == 1 ? layout.buttons.front().result : IFrontEnd::EResult::Cancel;
}
