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
    // Each choice carries the value it stands for.
    for (const StyleEntry& style : Styles) {
        ui_->styleBox->addItem(
            QString::fromUtf8(style.Caption.data(), static_cast<qsizetype>(style.Caption.size())),
            QVariant::fromValue(style.Style));
    }
    ui_->polarisationBox->addItem(tr("RHCP (right-hand circular)"),
                                  QVariant::fromValue(Polarisation::Rhcp));
    ui_->polarisationBox->addItem(tr("LHCP (left-hand circular)"),
                                  QVariant::fromValue(Polarisation::Lhcp));
    ui_->paperBox->addItem(tr("A4"), QVariant::fromValue(Paper::A4));
    ui_->paperBox->addItem(tr("Letter"), QVariant::fromValue(Paper::Letter));
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
    ConstructionSheet sheet = ComputeConstructionSheet(
        ui_->styleBox->currentData().value<HelixStyle>(), frequency_.toStdString(),
        ui_->polarisationBox->currentData().value<Polarisation>(), ui_->mastDiameterBox->value());
    LayOutTemplate(sheet, CurrentPaper());
    return sheet;
}

Paper ConstructionSheetWindow::CurrentPaper() const {
    return ui_->paperBox->currentData().value<Paper>();
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
    if (dynamic_cast<const NumericError*>(&error) != nullptr) {
        return failure + QLatin1Char(' ') +
               FrequencyProblemInWords(ClassifyFrequencyError(error, frequency_.toStdString()),
                                       frequency_);
    }
    QString detail = QString::fromStdString(error.Detail());
    if (!detail.isEmpty()) {
        detail[0] = detail[0].toUpper();
        detail += QLatin1Char('.');
    }
    return failure + QLatin1Char(' ') + detail;
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
