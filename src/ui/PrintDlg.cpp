#include "PrintDlg.h"

#include "GuiText.h"
#include "MORADoc.h"
#include "MessageBox.h"
#include "PrintJob.h"
#include "Translate.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The fixed advance between two report lines, on top of the font's line height.
constexpr qreal LINE_GAP = 10.0;
constexpr qreal MAX_POINT_SIZE = 10.0;

} // namespace

CPrintDlg::CPrintDlg(CMORADoc& doc, QWidget* parent)
    : QDialog(parent), m_doc(doc), m_job(std::make_unique<CPrintJob>()),
      m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    setObjectName(QStringLiteral("PrintDlg"));
    setWindowTitle(Gui::Tr("IDC_PRINT_CAPTION"));
    m_printer->setDocName(Gui::Q(CMORADoc::PRODUCT_NAME));

    auto* group = new QGroupBox(Gui::Tr("IDC_PRINT_ALARMLIST"), this);
    m_all = new QRadioButton(group);
    m_all->setObjectName(QStringLiteral("choiceAll"));
    m_selection = new QRadioButton(group);
    m_selection->setObjectName(QStringLiteral("choiceSelection"));
    auto* choices = new QButtonGroup(this);
    choices->addButton(m_all);
    choices->addButton(m_selection);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_all);
    groupLayout->addWidget(m_selection);

    auto* buttons = new QDialogButtonBox(Qt::Vertical, this);
    m_print = buttons->addButton(Gui::Tr("IDC_PRINT"), QDialogButtonBox::ActionRole);
    m_print->setObjectName(QStringLiteral("printButton"));
    m_preview = buttons->addButton(Gui::Tr("IDC_PRINT_PREVIEW"), QDialogButtonBox::ActionRole);
    m_preview->setObjectName(QStringLiteral("previewButton"));
    auto* close = buttons->addButton(Gui::Tr("IDC_PRINT_CLOSE"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("closeButton"));
    m_print->setDefault(true);
    connect(m_print, &QPushButton::clicked, this, [this] { Request(false); });
    connect(m_preview, &QPushButton::clicked, this, [this] { Request(true); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(group, 1);
    layout->addWidget(buttons);

    m_replyTimer = new QTimer(this);
    m_replyTimer->setSingleShot(true);
    connect(m_replyTimer, &QTimer::timeout, this, [this] {
        // The database did not answer: nothing will be printed, and the cursor must not stay.
        m_job->Cancel();
        EndWait();
        QApplication::beep();
    });
    RefreshState();
}

CPrintDlg::~CPrintDlg() {
    EndWait();
}

void CPrintDlg::RefreshState() {
    const CPrintJob::SState state = CPrintJob::StateFor(m_doc.AlarmList().Rows());
    m_all->setText(Gui::Q(state.allText));
    m_all->setEnabled(state.allEnabled);
    m_selection->setText(Gui::Q(state.selectionText));
    m_selection->setEnabled(state.selectionEnabled);
    m_print->setEnabled(state.printEnabled);
    m_preview->setEnabled(state.printEnabled);
    switch (state.preset) {
    case CPrintJob::EChoice::All:
        m_all->setChecked(true);
        break;
    case CPrintJob::EChoice::Selection:
        m_selection->setChecked(true);
        break;
    case CPrintJob::EChoice::None:
        // Neither choice: the exclusive group would keep one checked, so lift it for a moment.
        m_all->group()->setExclusive(false);
        m_all->setChecked(false);
        m_selection->setChecked(false);
        m_all->group()->setExclusive(true);
        break;
    }
    adjustSize();
}

void CPrintDlg::ShowDialog() {
    RefreshState();
    show();
    if (QWidget* owner = parentWidget()) {
        const QRect frame = owner->window()->frameGeometry();
        move(frame.center() - rect().center());
    }
    raise();
    activateWindow();
}

void CPrintDlg::SelectionChanged() {
    RefreshState();
}

void CPrintDlg::PrintSetup() {
    QPageSetupDialog dialog(m_printer.get(), this);
    dialog.exec();
}

void CPrintDlg::PrintPreview() {
    RefreshState();
    if (!m_preview->isEnabled()) {
        QApplication::beep();
        return;
    }
    Request(true);
}

void CPrintDlg::Request(bool preview) {
    if (m_job->Pending()) {
        QApplication::beep(); // the last request is still on its way
        return;
    }
    const CPrintJob::EChoice choice = m_selection->isChecked() ? CPrintJob::EChoice::Selection
                                      : m_all->isChecked()     ? CPrintJob::EChoice::All
                                                               : CPrintJob::EChoice::None;
    CAlarmList& list = m_doc.AlarmList();
    MsgPtr request = CPrintJob::MakeRequest(choice, list.Rows(), list.FilterMask());
    if (!request) {
        QApplication::beep();
        return;
    }
    m_job->Start(preview ? CPrintJob::EOutput::Preview : CPrintJob::EOutput::Print);
    if (!m_waitCursor) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_waitCursor = true;
    }
    m_replyTimer->start(REPLY_TIMEOUT_MS);
    m_doc.DbRequest(std::move(request));
}

void CPrintDlg::EndWait() {
    m_replyTimer->stop();
    if (m_waitCursor) {
        QApplication::restoreOverrideCursor();
        m_waitCursor = false;
    }
}

MsgPtr CPrintDlg::OnReply(MsgPtr reply) {
    if (!m_job->TakeReply(reply)) {
        return reply;
    }
    EndWait();
    // The print dialog and the preview are modal: they run after the core's dispatch returned.
    QTimer::singleShot(0, this, &CPrintDlg::RunJob);
    return nullptr;
}

void CPrintDlg::RunJob() {
    m_job->Prepare();
    if (m_job->Report().PageCount() == 0) {
        // The chosen alarms are gone from the log (deleted since they were listed).
        QApplication::beep();
    } else if (m_job->Output() == CPrintJob::EOutput::Preview) {
        QPrintPreviewDialog preview(m_printer.get(), this);
        preview.setObjectName(QStringLiteral("printPreview"));
        connect(&preview, &QPrintPreviewDialog::paintRequested, this,
                [this](QPrinter* printer) { PaintReport(m_job->Report(), *printer); });
        if (const QScreen* screen = this->screen()) {
            preview.resize(screen->availableGeometry().size() * 3 / 4);
        }
        preview.exec();
    } else {
        QPrintDialog dialog(m_printer.get(), this);
        dialog.setObjectName(QStringLiteral("printDialog"));
        dialog.setMinMax(1, static_cast<int>(std::max<std::size_t>(1, m_job->Report().PageCount())));
        if (dialog.exec() == QDialog::Accepted && !PaintReport(m_job->Report(), *m_printer)) {
            // Nothing reached the printer or the file: the operator must know.
            CMessageBox::Show(this, Text::Tr("IDS_PRINTDLG_MSG_39"), IFrontEnd::EButtons::Ok,
                              IFrontEnd::EIcon::Warning);
        }
    }
    m_job->End();
    if (QWidget* owner = parentWidget()) {
        owner->window()->setWindowTitle(Gui::Q(Text::Format(
            "%s Ver. %s - %s", CMORADoc::PRODUCT_NAME, CMORADoc::VERSION, m_doc.CurrentOperator().c_str())));
    }
}

bool CPrintDlg::PaintReport(const CPrintObject& report, QPrinter& printer) {
    QPainter painter;
    if (report.PageCount() == 0) {
        return true;
    }
    if (!painter.begin(&printer)) {
        return false;
    }
    const QRectF area(QPointF(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size());
    // A fixed-pitch font, as large as allowed while a full line fits the width and a full page
    // of lines the height, so that nothing of the report is cut off.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(MAX_POINT_SIZE);
    QFontMetricsF metrics(font, &printer);
    const qreal lineWidth =
        metrics.horizontalAdvance(QString(static_cast<int>(CPrintObject::LINE_COLUMNS), 'M'));
    const qreal pageHeight = (metrics.height() + LINE_GAP) * CPrintPage::MAX_LINES;
    const qreal scale = std::min({1.0, area.width() / lineWidth, area.height() / pageHeight});
    if (scale < 1.0) {
        font.setPointSizeF(MAX_POINT_SIZE * scale * 0.98);
        metrics = QFontMetricsF(font, &printer);
    }
    painter.setFont(font);

    // The page range the operator chose in the print dialog, else every page.
    int first = 1;
    int last = static_cast<int>(report.PageCount());
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::max(first, printer.fromPage());
        last = std::min(last, std::max(printer.toPage(), first));
    }
    for (int page = first; page <= last; ++page) {
        if (page != first) {
            if (!printer.newPage()) {
                return false;
            }
        }
        qreal y = 0;
        for (const CPrintLine& line : report.Page(static_cast<std::size_t>(page - 1)).Lines()) {
            painter.drawText(QPointF(0, y + metrics.ascent()), Gui::Q(line.Text()));
            y += metrics.height() + LINE_GAP;
        }
    }
    return painter.end();
}
