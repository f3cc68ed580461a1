#include "AboutDlg.h"

#include "GuiText.h"
#include "MORADoc.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr const char* MAKER = "Brennvik";

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutDlg"));
    setWindowTitle(Gui::TrF("IDS_MORA_MSG_1", CMORADoc::PRODUCT_NAME));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("appIcon"));
    const int side = QFontMetrics(font()).height() * 3;
    icon->setPixmap(QIcon(QStringLiteral(":/mora/mora.svg")).pixmap(side, side));
    auto* product = new QLabel(Gui::Q(CMORADoc::PRODUCT_NAME), this);
    product->setObjectName(QStringLiteral("productName"));
    QFont bold = product->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    product->setFont(bold);
    auto* version = new QLabel(Gui::TrF("IDS_MORA_MSG_2", CMORADoc::VERSION), this);
    version->setObjectName(QStringLiteral("versionLine"));
    auto* notice = new QLabel(Gui::TrF("IDS_MORA_MSG_3", MAKER), this);
    notice->setObjectName(QStringLiteral("noticeLine"));

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Gui::Tr("IDS_IDOK"), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("ok"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    layout->addWidget(product, 0, 1);
    layout->addWidget(version, 1, 1);
    layout->addWidget(notice, 2, 1);
    layout->addWidget(buttons, 3, 0, 1, 2);
    layout->setHorizontalSpacing(QFontMetrics(font()).height());
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CAboutDlg::Run(QWidget* parent) {
    CAboutDlg dialog(parent);
    // Placed before exec, which shows it modal (a dialog already shown would not become modal).
    dialog.adjustSize();
    if (parent != nullptr) {
        const QRect frame = parent->window()->frameGeometry();
        dialog.move(frame.center() - dialog.rect().center());
    }
    dialog.exec();
}

void CAboutDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    raise();
    activateWindow();
}
