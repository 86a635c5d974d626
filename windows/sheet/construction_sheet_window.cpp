#include "construction_sheet_window.h"

#include <QChildEvent>
#include <QComboBox>
#include <QDate>
#include <QFileDialog>
#include <QFileInfo>
#include <QGraphicsView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QSignalBlocker>
#include <QWheelEvent>
#include <algorithm>

#include "forms.h"
#include "forms_error.h"
#include "frequency_words.h"
#include "helix_dimensions.h"
#include "numeric_error.h"
#include "ui_construction_sheet_window.h"

namespace zandrel {

namespace {

// The choices the windows remember between openings and runs, under the program's name.
const QString StyleKey = QStringLiteral("style");
const QString PolarisationKey = QStringLiteral("polarisation");
const QString PaperKey = QStringLiteral("paper");
const QString MastDiameterKey = QStringLiteral("mastDiameterMm");

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

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

ConstructionSheetWindow::ConstructionSheetWindow(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::ConstructionSheetWindow>()) {
    ui_->setupUi(this);
    FinishLoading(*this);
    for (const StyleEntry& style : Styles) {
        ui_->styleBox->addItem(Text(style.Caption));
    }
    const MastDiameterRange allowed = AllowedMastDiameters();
    ui_->mastDiameterBox->setRange(allowed.LeastMm, allowed.MostMm);
    ui_->mastDiameterBox->setValue(DefaultMastDiameterMm);
    RestoreChoices();
    ShowMastDiameterRange();
    ShowNoSheet({});
    ui_->preview->setZoomMode(QPrintPreviewWidget::FitToWidth);
    FitOnScreen(*this);

    connect(ui_->preview, &QPrintPreviewWidget::paintRequested, this,
            &ConstructionSheetWindow::PaintPreview);
    const auto redraw = ReportingErrors(this, &ConstructionSheetWindow::UpdatePreview,
                                        [this](const RuntimeError& error) {
                                            return Explain(error, tr("The sheet cannot be drawn."));
                                        });
    connect(ui_->styleBox, &QComboBox::currentIndexChanged, this, redraw);
    connect(ui_->polarisationBox, &QComboBox::currentIndexChanged, this, redraw);
    connect(ui_->paperBox, &QComboBox::currentIndexChanged, this, redraw);
    connect(ui_->mastDiameterBox, &QDoubleSpinBox::valueChanged, this, redraw);
    for (QComboBox* box : {ui_->styleBox, ui_->polarisationBox, ui_->paperBox}) {
        connect(box, &QComboBox::currentIndexChanged, this,
                &ConstructionSheetWindow::RememberChoices);
    }
    connect(ui_->mastDiameterBox, &QDoubleSpinBox::valueChanged, this,
            &ConstructionSheetWindow::RememberChoices);
    connect(ui_->mastDiameterBox, &QDoubleSpinBox::editingFinished, this, [this] {
        ShowMastDiameterRange();
        rejectedMastText_.clear();
    });
    ui_->mastDiameterBox->installEventFilter(this);

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
    // Escape closes the window, as a dialog's Close would.
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this,
            &QWidget::close);

    // Zoom as a document viewer does: buttons, Ctrl+plus and Ctrl+minus, Ctrl and the wheel.
    QPrintPreviewWidget* preview = ui_->preview;
    connect(ui_->zoomInButton, &QPushButton::clicked, preview, [preview] { preview->zoomIn(); });
    connect(ui_->zoomOutButton, &QPushButton::clicked, preview, [preview] { preview->zoomOut(); });
    connect(ui_->fitWidthButton, &QPushButton::clicked, preview, &QPrintPreviewWidget::fitToWidth);
    connect(ui_->fitPageButton, &QPushButton::clicked, preview, &QPrintPreviewWidget::fitInView);
    for (const QKeySequence& keys :
         {QKeySequence(QKeySequence::ZoomIn), QKeySequence(Qt::CTRL | Qt::Key_Equal)}) {
        connect(new QShortcut(keys, this), &QShortcut::activated, preview,
                [preview] { preview->zoomIn(); });
    }
    connect(new QShortcut(QKeySequence::ZoomOut, this), &QShortcut::activated, preview,
            [preview] { preview->zoomOut(); });
    for (QGraphicsView* view : preview->findChildren<QGraphicsView*>()) {
        view->viewport()->installEventFilter(this);
    }
}

ConstructionSheetWindow::~ConstructionSheetWindow() {
    // The controls outlive ui_: nothing they do as they close may reach this window.
    ui_->mastDiameterBox->removeEventFilter(this);
    disconnect(ui_->mastDiameterBox, nullptr, this, nullptr);
    for (QGraphicsView* view : ui_->preview->findChildren<QGraphicsView*>()) {
        view->viewport()->removeEventFilter(this);
    }
}

void ConstructionSheetWindow::SetFrequency(const QString& frequencyText) {
    frequency_ = frequencyText;
    const QString frequency = frequencyText.trimmed();
    setWindowTitle(frequency.isEmpty() ? tr("Construction sheet: no frequency given")
                                       : tr("Construction sheet at %1 MHz").arg(frequency));
    ui_->frequencyValue->setText(frequency.isEmpty() ? tr("none given")
                                                     : tr("%1 MHz").arg(frequency));
    RunReportingErrors(
        *this, [this] { UpdatePreview(); },
        [this](const RuntimeError& error) {
            return Explain(error, tr("The sheet cannot be drawn."));
        });
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

void ConstructionSheetWindow::UpdatePreview() {
    ShowMastDiameterRange();
    ShowNoSheet({});
    try {
        sheet_ = CurrentSheet();
    } catch (const RuntimeError& error) {
        ShowNoSheet(Explain(error, tr("There is no sheet to show.")));
        throw;
    }
    const int pages = SheetPageCount(*sheet_, CurrentPaper());
    const int tiles = pages - 1;
    ui_->pageCountValue->setText(
        tr("%1: the cut list and %2")
            .arg(pages)
            .arg(tiles == 1 ? tr("1 template page") : tr("%1 template pages").arg(tiles)));
    ui_->previewStack->setCurrentWidget(ui_->preview);
    for (QWidget* needsASheet : {ui_->saveButton, ui_->printButton, ui_->zoomInButton,
                                 ui_->zoomOutButton, ui_->fitWidthButton, ui_->fitPageButton}) {
        needsASheet->setEnabled(true);
    }
    ui_->preview->updatePreview();
}

void ConstructionSheetWindow::ShowNoSheet(const QString& why) {
    sheet_.reset();
    ui_->noSheetMessage->setText(why);
    ui_->previewStack->setCurrentWidget(ui_->noSheetMessage);
    ui_->pageCountValue->setText(tr("none"));
    for (QWidget* needsASheet : {ui_->saveButton, ui_->printButton, ui_->zoomInButton,
                                 ui_->zoomOutButton, ui_->fitWidthButton, ui_->fitPageButton}) {
        needsASheet->setEnabled(false);
    }
}

void ConstructionSheetWindow::ShowMastDiameterRange() {
    const MastDiameterRange allowed = AllowedMastDiameters();
    {
        // The sheet is computed afresh after this, at whatever value the range leaves.
        const QSignalBlocker quiet(ui_->mastDiameterBox);
        ui_->mastDiameterBox->setRange(allowed.LeastMm, allowed.MostMm);
    }
    QString words = tr("%1 to %2 mm")
                        .arg(locale().toString(allowed.LeastMm), locale().toString(allowed.MostMm));
    if (!rejectedMastText_.isEmpty()) {
        words += tr(": %1 mm is outside, so the nearest, %2, is used.")
                     .arg(rejectedMastText_, ui_->mastDiameterBox->text());
    }
    ui_->mastDiameterRange->setText(words);
}

void ConstructionSheetWindow::PaintPreview(QPrinter* printer) {
    if (!sheet_) {
        return;
    }
    RunReportingErrors(
        *this,
        [this, printer] {
            PaintConstructionSheet(*printer, *sheet_, CurrentPaper(), QDate::currentDate());
        },
        [this](const RuntimeError& error) {
            return Explain(error, tr("The sheet cannot be drawn."));
        });
}

QString ConstructionSheetWindow::DefaultFileName() const {
    const auto index = static_cast<std::size_t>(std::max(ui_->styleBox->currentIndex(), 0));
    const Polarisation sense =
        ui_->polarisationBox->currentIndex() == 1 ? Polarisation::Lhcp : Polarisation::Rhcp;
    return QStringLiteral("zandrel2-%1-%2MHz-%3-%4.pdf")
        .arg(Text(Styles.at(index).Name), frequency_.trimmed(), Text(PolarisationName(sense)),
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
    if (watched == ui_->mastDiameterBox &&
        (event->type() == QEvent::FocusOut ||
         (event->type() == QEvent::KeyPress &&
          (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
           static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter)))) {
        // The box corrects a diameter outside the range as it lets go of it: say so.
        QString typed = ui_->mastDiameterBox->text();
        int position = 0;
        if (ui_->mastDiameterBox->validate(typed, position) != QValidator::Acceptable) {
            rejectedMastText_ = ui_->mastDiameterBox->cleanText();
        }
    } else if (event->type() == QEvent::ChildPolished &&
               qobject_cast<QPrintDialog*>(watched) != nullptr) {
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

void ConstructionSheetWindow::RememberChoices() const {
    QSettings settings;
    const auto style = static_cast<std::size_t>(std::max(ui_->styleBox->currentIndex(), 0));
    settings.setValue(StyleKey, Text(Styles.at(style).Name));
    settings.setValue(
        PolarisationKey,
        Text(PolarisationName(ui_->polarisationBox->currentIndex() == 1 ? Polarisation::Lhcp
                                                                        : Polarisation::Rhcp)));
    settings.setValue(PaperKey, Text(PaperName(CurrentPaper())));
    settings.setValue(MastDiameterKey, ui_->mastDiameterBox->value());
}

void ConstructionSheetWindow::RestoreChoices() {
    const QSettings settings;
    const QString style = settings.value(StyleKey).toString();
    for (std::size_t i = 0; i < Styles.size(); ++i) {
        if (Text(Styles[i].Name) == style) {
            ui_->styleBox->setCurrentIndex(static_cast<int>(i));
        }
    }
    if (settings.value(PolarisationKey).toString() == Text(PolarisationName(Polarisation::Lhcp))) {
        ui_->polarisationBox->setCurrentIndex(1);
    }
    if (settings.value(PaperKey).toString() == Text(PaperName(Paper::Letter))) {
        ui_->paperBox->setCurrentIndex(1);
    }
    bool isNumber = false;
    const double mast = settings.value(MastDiameterKey).toDouble(&isNumber);
    if (isNumber && AllowedMastDiameters().Holds(mast)) {
        ui_->mastDiameterBox->setValue(mast);
    }
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
