#include "construction_sheet_window.h"

#include <QDate>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>

#include "forms.h"
#include "forms_error.h"
#include "frequency_words.h"
#include "helix_dimensions.h"
#include "numeric_error.h"
#include "ui_construction_sheet_window.h"

namespace zandrel {

ConstructionSheetWindow::ConstructionSheetWindow(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::ConstructionSheetWindow>()) {
    ui_->setupUi(this);
    FinishLoading(*this);
    for (const StyleEntry& style : Styles) {
        ui_->styleBox->addItem(
            QString::fromUtf8(style.Caption.data(), static_cast<qsizetype>(style.Caption.size())));
    }
    ui_->mastDiameterBox->setValue(DefaultMastDiameterMm);

    connect(ui_->preview, &QPrintPreviewWidget::paintRequested, this,
            &ConstructionSheetWindow::PaintPreview);
    const auto redraw = ReportingErrors(this, &ConstructionSheetWindow::UpdatePreview);
    connect(ui_->styleBox, &QComboBox::currentIndexChanged, this, redraw);
    connect(ui_->polarisationBox, &QComboBox::currentIndexChanged, this, redraw);
    connect(ui_->paperBox, &QComboBox::currentIndexChanged, this, redraw);
    connect(ui_->mastDiameterBox, &QDoubleSpinBox::valueChanged, this, redraw);
    connect(
        ui_->saveButton, &QPushButton::clicked, this,
        ReportingErrors(this, &ConstructionSheetWindow::SavePdf, [this](const RuntimeError& error) {
            return Explain(error, tr("The sheet could not be saved."));
        }));
    connect(
        ui_->printButton, &QPushButton::clicked, this,
        ReportingErrors(this, &ConstructionSheetWindow::Print, [this](const RuntimeError& error) {
            return Explain(error, tr("The sheet could not be printed."));
        }));
    connect(ui_->closeButton, &QPushButton::clicked, this, &QWidget::close);
}

ConstructionSheetWindow::~ConstructionSheetWindow() = default;

void ConstructionSheetWindow::SetFrequency(const QString& frequencyText) {
    frequency_ = frequencyText;
    setWindowTitle(tr("Construction sheet at %1 MHz").arg(frequencyText));
    ui_->frequencyValue->setText(tr("%1 MHz").arg(frequencyText));
    UpdatePreview();
}

ConstructionSheet ConstructionSheetWindow::CurrentSheet() const {
    const auto index = static_cast<std::size_t>(std::max(ui_->styleBox->currentIndex(), 0));
    const Polarisation sense =
        ui_->polarisationBox->currentIndex() == 1 ? Polarisation::Lhcp : Polarisation::Rhcp;
    ConstructionSheet sheet = ComputeConstructionSheet(
        Styles.at(index).Style, frequency_.toStdString(), sense, ui_->mastDiameterBox->value());
    LayOutTemplate(sheet, CurrentPaper());
    return sheet;
}

Paper ConstructionSheetWindow::CurrentPaper() const {
    return ui_->paperBox->currentIndex() == 1 ? Paper::Letter : Paper::A4;
}

void ConstructionSheetWindow::UpdatePreview() { ui_->preview->updatePreview(); }

void ConstructionSheetWindow::PaintPreview(QPrinter* printer) {
    RunReportingErrors(
        *this,
        [this, printer] {
            PaintConstructionSheet(*printer, CurrentSheet(), CurrentPaper(), QDate::currentDate());
        },
        [this](const RuntimeError& error) {
            return Explain(error, tr("The sheet cannot be drawn."));
        });
}

void ConstructionSheetWindow::SavePdf() {
    const ConstructionSheet sheet = CurrentSheet();
    const QString name =
        QStringLiteral("zandrel2-%1-%2.pdf")
            .arg(QString::fromUtf8(sheet.Style->Name.data(),
                                   static_cast<qsizetype>(sheet.Style->Name.size())),
                 frequency_.trimmed());
    const QString path = QFileDialog::getSaveFileName(this, tr("Save construction sheet"), name,
                                                      tr("PDF files (*.pdf)"));
    if (!path.isEmpty()) {
        SavePdfTo(path);
    }
}

void ConstructionSheetWindow::SavePdfTo(const QString& path) {
    WriteConstructionSheetPdf(path, CurrentSheet(), CurrentPaper(), QDate::currentDate());
}

void ConstructionSheetWindow::Print() {
    CurrentSheet();
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(PageSizeOf(CurrentPaper()));
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(tr("Print construction sheet"));
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

QString ConstructionSheetWindow::Explain(const RuntimeError& error, const QString& failure) const {
    if (error.KindOf<NumericErrorKind>()) {
        const std::string frequency = frequency_.toStdString();
        return failure + QLatin1Char(' ') +
               QString::fromStdString(
                   FrequencyProblemReport(ClassifyFrequencyError(error, frequency), frequency));
    }
    return failure + QLatin1Char(' ') + DetailAsSentence(error);
}

DefaultInstance<ConstructionSheetWindow>& ConstructionSheetWindowInstance() {
    static DefaultInstance<ConstructionSheetWindow> instance;
    return instance;
}

void ShowConstructionSheetWindow(const QString& frequencyText) {
    ConstructionSheetWindow& window = ConstructionSheetWindowInstance().Get();
    window.SetFrequency(frequencyText);
    ConstructionSheetWindowInstance().Show();
}

}  // namespace zandrel
