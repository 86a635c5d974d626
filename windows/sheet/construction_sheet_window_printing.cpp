// The construction sheet window's paper: its preview, its PDF and its printing.
#include <QChildEvent>
#include <QComboBox>
#include <QDate>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QWheelEvent>
#include <algorithm>

#include "construction_sheet_window.h"
#include "forms_error.h"
#include "ui_construction_sheet_window.h"
#include "window_reports.h"
#include "window_texts.h"

namespace zandrel {

namespace {

// The printer's own entry for the paper, so that its dialog shows the paper the sheet is for.
void ChoosePaper(QPrinter& printer, Paper paper) {
    const QPageSize wanted = PageSizeOf(paper);
    const QList<QPageSize> offered = QPrinterInfo(printer).supportedPageSizes();
    const auto same =
        std::find_if(offered.begin(), offered.end(),
                     [&wanted](const QPageSize& size) { return size.isEquivalentTo(wanted); });
    printer.setPageSize(same != offered.end() ? *same : wanted);
}

// Selects the paper in a page size list of Qt's printer properties, which open at the
// printer's own default paper whatever the job's.
void ShowPaper(QComboBox& sizes, Paper paper) {
    const QPageSize wanted = PageSizeOf(paper);
    for (int index = 0; index < sizes.count(); ++index) {
        const QVariant size = sizes.itemData(index);
        if (size.canConvert<QPageSize>() && size.value<QPageSize>().isEquivalentTo(wanted)) {
            sizes.setCurrentIndex(index);
            return;
        }
    }
}

}  // namespace

void ConstructionSheetWindow::PaintPreview(QPrinter* printer) {
    if (!sheet_) {
        return;
    }
    RunReportingInWords(
        *this,
        [this, printer] {
            PaintConstructionSheet(*printer, *sheet_, CurrentPaper(), QDate::currentDate());
        },
        [this](const RuntimeError& error) {
            return Explain(error, tr("The sheet cannot be drawn."));
        });
}

QString ConstructionSheetWindow::DefaultFileName() const {
    const auto sense = ui_->polarisationBox->currentData().value<Polarisation>();
    return QStringLiteral("zandrel2-%1-%2MHz-%3-%4.pdf")
        .arg(Text(ChosenStyle().Name), frequency_.trimmed(), Text(PolarisationName(sense)),
             Text(PaperName(CurrentPaper())));
}

void ConstructionSheetWindow::SavePdf() {
    CurrentSheet();  // nothing to ask about when there is no sheet
    const QString path = QFileDialog::getSaveFileName(this, tr("Save construction sheet"),
                                                      DefaultFileName(), tr("PDF files (*.pdf)"));
    if (!path.isEmpty()) {
        SavePdfTo(path);
    }
}

void ConstructionSheetWindow::SavePdfTo(const QString& path) {
    WriteConstructionSheetPdf(path, CurrentSheet(), CurrentPaper(), QDate::currentDate());
}

void ConstructionSheetWindow::Print() {
    const int pages = SheetPageCount(CurrentSheet(), CurrentPaper());
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        QMessageBox question(QMessageBox::Information, tr("Print construction sheet"),
                             tr("No printer is set up on this computer."), QMessageBox::Cancel,
                             this);
        question.setObjectName(QStringLiteral("noPrinterQuestion"));
        question.setInformativeText(
            tr("Save the sheet's %1 pages as a PDF instead, to print elsewhere?").arg(pages));
        QPushButton* save = question.addButton(tr("Save P&DF..."), QMessageBox::AcceptRole);
        question.setDefaultButton(save);
        question.exec();
        if (question.clickedButton() == save) {
            SavePdf();
        }
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QFileInfo(DefaultFileName()).completeBaseName());
    ChoosePaper(printer, CurrentPaper());
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("printDialog"));
    dialog.installEventFilter(this);  // to show the sheet's paper in the printer's properties
    dialog.setWindowTitle(tr("Print construction sheet: %1 pages").arg(pages));
    // Every page is printed: the template is whole only with all its tiles.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() == QDialog::Accepted) {
        PrintOn(printer);
    }
}

void ConstructionSheetWindow::PrintOn(QPrinter& printer) {
    if (!printer.isValid()) {
        throw FormsError(FormsErrorKind::PrinterError, "no printer is set up");
    }
    PaintConstructionSheet(printer, CurrentSheet(), CurrentPaper(), QDate::currentDate());
}

bool ConstructionSheetWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ChildPolished && qobject_cast<QPrintDialog*>(watched) != nullptr) {
        const QObject* child = static_cast<QChildEvent*>(event)->child();
        if (auto* sizes = child->findChild<QComboBox*>(QStringLiteral("pageSizeCombo"))) {
            ShowPaper(*sizes, CurrentPaper());
        }
    } else if (event->type() == QEvent::Wheel &&
               static_cast<QWheelEvent*>(event)->modifiers().testFlag(Qt::ControlModifier)) {
        if (static_cast<QWheelEvent*>(event)->angleDelta().y() > 0) {
            ui_->preview->zoomIn();
        } else {
            ui_->preview->zoomOut();
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace zandrel
