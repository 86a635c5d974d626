#include "construction_sheet_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGraphicsView>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <algorithm>

#include "checked_number_box.h"
#include "forms.h"
#include "forms_error.h"
#include "frequency_words.h"
#include "helix_dimensions.h"
#include "model_runner.h"
#include "nec2c_engine.h"
#include "numeric_error.h"
#include "sheet_error.h"
#include "ui_construction_sheet_window.h"
#include "window_choices.h"
#include "window_reports.h"
#include "window_texts.h"

namespace zandrel {

ConstructionSheetWindow::ConstructionSheetWindow(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::ConstructionSheetWindow>()) {
    ui_->setupUi(this);
    FinishLoading(*this);
    runner_ = new ModelRunner(this);
    connect(runner_, &ModelRunner::AllFinished, this, &ConstructionSheetWindow::ModellingFinished);
    // Each choice carries the value it stands for.
    for (const StyleEntry& style : Styles) {
        ui_->styleBox->addItem(Text(style.Caption), QVariant::fromValue(style.Style));
    }
    ui_->polarisationBox->addItem(tr("RHCP (right-hand circular)"),
                                  QVariant::fromValue(Polarisation::Rhcp));
    ui_->polarisationBox->addItem(tr("LHCP (left-hand circular)"),
                                  QVariant::fromValue(Polarisation::Lhcp));
    ui_->paperBox->addItem(tr("A4"), QVariant::fromValue(Paper::A4));
    ui_->paperBox->addItem(tr("Letter"), QVariant::fromValue(Paper::Letter));
    ui_->unitsBox->addItem(tr("millimetres"), QVariant::fromValue(LengthUnit::Millimetre));
    ui_->unitsBox->addItem(tr("inches"), QVariant::fromValue(LengthUnit::Inch));
    SetUpField(*ui_->mastDiameterBox, choices::MastDiameter);
    SetUpField(*ui_->conductorDiameterBox, choices::ConductorDiameter);
    SetUpField(*ui_->z0Box, choices::LineZ0);
    SetUpField(*ui_->bendRadiusBox, choices::BendRadius);
    ui_->mastDiameterBox->ExplainIn(ui_->mastDiameterNote);
    ui_->conductorDiameterBox->ExplainIn(ui_->conductorDiameterNote);
    ui_->z0Box->ExplainIn(ui_->z0Note);
    ui_->bendRadiusBox->ExplainIn(ui_->bendRadiusNote);
    RestoreChoices();
    ShowMastDiameterRange();
    ShowNoSheet({});
    ui_->preview->setZoomMode(QPrintPreviewWidget::FitToWidth);
    FitOnScreen(*this);

    connect(ui_->preview, &QPrintPreviewWidget::paintRequested, this,
            &ConstructionSheetWindow::PaintPreview);
    const auto redraw = ReportingInWords(
        this, &ConstructionSheetWindow::UpdatePreview, [this](const RuntimeError& error) {
            return Explain(error, tr("The sheet cannot be drawn."));
        });
    connect(ui_->styleBox, &QComboBox::currentIndexChanged, this, redraw);
    connect(ui_->polarisationBox, &QComboBox::currentIndexChanged, this, redraw);
    connect(ui_->paperBox, &QComboBox::currentIndexChanged, this, redraw);
    connect(ui_->mastDiameterBox, &QDoubleSpinBox::valueChanged, this, redraw);
    connect(ui_->unitsBox, &QComboBox::currentIndexChanged, this, redraw);
    connect(ui_->conductorDiameterBox, &QDoubleSpinBox::valueChanged, this, redraw);
    connect(ui_->z0Box, &QDoubleSpinBox::valueChanged, this, redraw);
    connect(ui_->bendRadiusBox, &QDoubleSpinBox::valueChanged, this, redraw);
    connect(ui_->tunedBox, &QCheckBox::toggled, this, redraw);
    for (QComboBox* box : {ui_->styleBox, ui_->polarisationBox, ui_->paperBox, ui_->unitsBox}) {
        connect(box, &QComboBox::currentIndexChanged, this,
                &ConstructionSheetWindow::RememberChoices);
    }
    for (QDoubleSpinBox* box :
         {ui_->mastDiameterBox, ui_->conductorDiameterBox, ui_->z0Box, ui_->bendRadiusBox}) {
        connect(box, &QDoubleSpinBox::valueChanged, this,
                &ConstructionSheetWindow::RememberChoices);
    }
    connect(ui_->tunedBox, &QCheckBox::toggled, this, &ConstructionSheetWindow::RememberChoices);
    // A value the antenna's range moved is said until the field is typed in.
    connect(ui_->mastDiameterBox, &CheckedNumberBox::Edited, this, [this] {
        if (!movedMastText_.isEmpty()) {
            movedMastText_.clear();
            ShowMastDiameterRange();
        }
    });

    connect(ui_->saveButton, &QPushButton::clicked, this,
            ReportingInWords(this, &ConstructionSheetWindow::SavePdf,
                             [this](const RuntimeError& error) {
                                 return Explain(error, tr("The sheet could not be saved."));
                             }));
    connect(
        ui_->printButton, &QPushButton::clicked, this,
        ReportingInWords(this, &ConstructionSheetWindow::Print, [this](const RuntimeError& error) {
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
        // Reached by Tab for the arrow keys and Page Up and Down, with a mark while it has them.
        view->setFocusPolicy(Qt::StrongFocus);
        view->setStyleSheet(
            QStringLiteral("QGraphicsView { border: 2px solid transparent; }"
                           "QGraphicsView:focus { border: 2px solid palette(highlight); }"));
    }
}

ConstructionSheetWindow::~ConstructionSheetWindow() {
    // A tuning under way is stopped, its nec2c killed and its folder gone before the window is;
    // the runner stops its own nec2c runs.
    tuningRuns_.Stop();
    tuningRuns_.Wait();
    runner_->disconnect(this);
    runner_->Cancel();
    // The controls outlive ui_: nothing they do as they close may reach this window.
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
    RunReportingInWords(
        *this, [this] { UpdatePreview(); },
        [this](const RuntimeError& error) {
            return Explain(error, tr("The sheet cannot be drawn."));
        });
}

const StyleEntry& ConstructionSheetWindow::ChosenStyle() const {
    const auto chosen = ui_->styleBox->currentData().value<HelixStyle>();
    for (const StyleEntry& style : Styles) {
        if (style.Style == chosen) {
            return style;
        }
    }
    return Styles.front();
}

LoopDesign ConstructionSheetWindow::ChosenDesign() const {
    LoopDesign design;
    design.Style = &ChosenStyle();
    design.FrequencyText = frequency_.toStdString();
    design.Sense = ui_->polarisationBox->currentData().value<Polarisation>();
    if (ui_->conductorDiameterBox->value() > 0.0) {
        design.ConductorDiameterMm = ui_->conductorDiameterBox->value();
    }
    return design;
}

QString ConstructionSheetWindow::TuneKey() const {
    const LoopDesign design = ChosenDesign();
    return QStringLiteral("%1|%2|%3|%4")
        .arg(Text(design.Style->Name), frequency_, Text(PolarisationName(design.Sense)))
        .arg(design.ConductorDiameterMm.value_or(0.0));
}

QString ConstructionSheetWindow::ModelKey(const ConstructionSheet& sheet) {
    const HelixGeometry& geometry = sheet.Geometry;
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
        .arg(Text(sheet.Style->Name), QString::fromStdString(sheet.FrequencyText),
             Text(PolarisationName(sheet.Sense)))
        .arg(geometry.ConductorDiameterMm, 0, 'g', 17)
        .arg(geometry.SmallLoopScale, 0, 'g', 17)
        .arg(geometry.LargeLoopScale, 0, 'g', 17)
        .arg(sheet.Match.Z0Ohm, 0, 'g', 17);
}

SheetRequest ConstructionSheetWindow::CurrentRequest() const {
    const LoopDesign design = ChosenDesign();
    SheetRequest request;
    request.Style = design.Style->Style;
    request.FrequencyText = design.FrequencyText;
    request.Sense = design.Sense;
    request.MastDiameterMm = ui_->mastDiameterBox->value();
    request.ConductorDiameterMm = design.ConductorDiameterMm;
    request.BendRadiusMm = ui_->bendRadiusBox->value();
    request.Z0Ohm = ui_->z0Box->value();
    request.Units = ui_->unitsBox->currentData().value<LengthUnit>();
    if (ui_->tunedBox->isChecked()) {
        const auto tuned = tunes_.find(TuneKey());
        if (tuned == tunes_.end()) {
            throw SheetError(SheetErrorKind::CannotBeDrawn,
                             "the loops are still being tuned in nec2c");
        }
        if (!tuned->second.Result) {
            throw SheetError(SheetErrorKind::CannotBeDrawn,
                             "the loops could not be tuned: " + tuned->second.Error);
        }
        const TuneResult& result = *tuned->second.Result;
        if (!result.MeetsReactanceLimit) {
            throw SheetError(SheetErrorKind::CannotBeDrawn,
                             "no loop sizes from " + TunedScaleRangeText().toStdString() +
                                 " times the design's bring the reactance within 1 ohm; "
                                 "without \"Tuned in NEC-2\" the sheet has the calculator's "
                                 "loops");
        }
        request.Tuned = TunedLoops{result.Scales.Small, result.Scales.Large, result.Dimensions};
    }
    return request;
}

ConstructionSheet ConstructionSheetWindow::CurrentSheet() const {
    ConstructionSheet sheet = ComputeConstructionSheet(CurrentRequest());
    LayOutTemplate(sheet, CurrentPaper());
    const auto model = models_.find(ModelKey(sheet));
    if (model == models_.end()) {
        AddMissingModel(sheet, "the antenna is still being modelled in nec2c");
    } else if (model->second.Figures) {
        try {
            AddModelledMatch(sheet, *model->second.Figures);
        } catch (const RuntimeError& error) {
            AddMissingModel(sheet, error.Detail());
        }
    } else {
        AddMissingModel(sheet, model->second.Error);
    }
    return sheet;
}

bool ConstructionSheetWindow::IsModelling() const {
    return !tuningKey_.isEmpty() || !modellingKey_.isEmpty();
}

void ConstructionSheetWindow::StartTuning() {
    if (!tuningKey_.isEmpty()) {
        return;  // one at a time: the next starts when this one ends
    }
    tuningKey_ = TuneKey();
    const LoopDesign design = ChosenDesign();
    tuningRuns_.Cancel();
    tuningRuns_.Queue([this, design](const DeckEvaluator& run) {
        TuneOutcome outcome;
        try {
            outcome.Result = TuneLoops(design, run);
        } catch (const RuntimeError& error) {
            outcome.Error = error.Detail().empty() ? error.Message() : error.Detail();
        } catch (const std::exception& error) {
            outcome.Error = error.what();
        }
        QMetaObject::invokeMethod(
            this, [this, outcome = std::move(outcome)] { TuningFinished(outcome); },
            Qt::QueuedConnection);
    });
}

void ConstructionSheetWindow::TuningFinished(const TuneOutcome& outcome) {
    tunes_[tuningKey_] = outcome;
    tuningKey_.clear();
    RunReportingInWords(
        *this, [this] { UpdatePreview(); },
        [this](const RuntimeError& error) {
            return Explain(error, tr("The sheet cannot be drawn."));
        });
}

void ConstructionSheetWindow::StartModelling(const ConstructionSheet& sheet) {
    const QString key = ModelKey(sheet);
    if (models_.count(key) != 0 || modellingKey_ == key) {
        return;
    }
    try {
        runner_->StartGeometry(sheet.Geometry, LineRequest{sheet.Match.Z0Ohm});
        modellingKey_ = key;
    } catch (const RuntimeError& error) {
        modellingKey_.clear();
        models_[key] = {std::nullopt, error.Detail()};
    }
}

void ConstructionSheetWindow::ModellingFinished() {
    const StyleModel& model = runner_->Models().front();
    models_[modellingKey_] = {model.Figures, model.Error ? model.Error->Detail() : std::string()};
    modellingKey_.clear();
    RunReportingInWords(
        *this, [this] { UpdatePreview(); },
        [this](const RuntimeError& error) {
            return Explain(error, tr("The sheet cannot be drawn."));
        });
}

void ConstructionSheetWindow::ShowMatch() {
    if (!sheet_) {
        ui_->matchValue->setText(IsModelling() ? tr("tuning the loops in nec2c...") : QString());
        return;
    }
    const MatchSection& match = sheet_->Match;
    if (!modellingKey_.isEmpty() && modellingKey_ == ModelKey(*sheet_)) {
        ui_->matchValue->setText(tr("modelling the antenna in nec2c..."));
    } else if (match.Modelled) {
        const auto part = [](const Matching& matching) {
            return matching.Kind == MatchingKind::None
                       ? tr("none")
                       : Text(ComponentValueText(matching)) + QLatin1Char(' ') +
                             Text(ComponentName(matching));
        };
        ui_->matchValue->setText(tr("to %1 ohm: series %2, shunt %3 on the %4 side")
                                     .arg(match.Z0Ohm)
                                     .arg(part(match.Network.Series), part(match.Network.Shunt),
                                          Text(ShuntSideName(match.Network.Side))));
    } else {
        ui_->matchValue->setText(tr("none: %1").arg(Text(match.Unavailable)));
    }
}

Paper ConstructionSheetWindow::CurrentPaper() const {
    return ui_->paperBox->currentData().value<Paper>();
}

void ConstructionSheetWindow::UpdatePreview() {
    ShowMastDiameterRange();
    ShowNoSheet({});
    if (ui_->tunedBox->isChecked() && tunes_.count(TuneKey()) == 0) {
        try {
            // The calculator's word on the frequency comes first, tuned or not.
            HelixDimensions untuned;
            ComputeHelixDimensions(frequency_.toStdString(), StyleConstantsOf(ChosenStyle().Style),
                                   untuned);
        } catch (const RuntimeError& error) {
            ShowNoSheet(Explain(error, tr("There is no sheet to show.")));
            ShowMatch();
            throw;
        }
        // Tuning takes seconds: the sheet follows when it ends.
        StartTuning();
        ShowNoSheet(tr("Tuning the loops in nec2c; the sheet follows."));
        ShowMatch();
        return;
    }
    try {
        sheet_ = CurrentSheet();
    } catch (const RuntimeError& error) {
        ShowNoSheet(Explain(error, tr("There is no sheet to show.")));
        ShowMatch();
        throw;
    }
    const bool modelled = models_.count(ModelKey(*sheet_)) != 0;
    StartModelling(*sheet_);
    if (!modelled && models_.count(ModelKey(*sheet_)) != 0) {
        sheet_ = CurrentSheet();  // nec2c could not be started: the sheet says why
    }
    const int pages = SheetPageCount(*sheet_, CurrentPaper());
    const int tiles = pages - 1;
    ui_->pageCountValue->setText(
        tr("%1: the cut list and %2")
            .arg(pages)
            .arg(tiles == 1 ? tr("1 template page") : tr("%1 template pages").arg(tiles)));
    ui_->previewStack->setCurrentWidget(ui_->preview);
    for (QWidget* needsASheet :
         {ui_->zoomInButton, ui_->zoomOutButton, ui_->fitWidthButton, ui_->fitPageButton}) {
        needsASheet->setEnabled(true);
    }
    // A sheet is saved or printed with its match, once nec2c has given it.
    for (QWidget* needsTheMatch : {ui_->saveButton, ui_->printButton}) {
        needsTheMatch->setEnabled(!IsModelling());
    }
    ShowMatch();
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
    // The antenna's own range where it has one; the plain one while it cannot be computed.
    MastDiameterRange allowed = AllowedMastDiameters();
    try {
        SheetRequest request = CurrentRequest();
        const MastDiameterRange fitting = AllowedMastDiameters(request);
        if (!fitting.Empty()) {
            allowed = fitting;
        }
    } catch (const RuntimeError&) {
    }
    CheckedNumberBox& mast = *ui_->mastDiameterBox;
    {
        // The sheet is computed afresh after this, at whatever value the range leaves; a value
        // the antenna's range moves is said.
        const QSignalBlocker quiet(mast);
        const double was = mast.value();
        const QString wasText = mast.textFromValue(was);
        mast.SetRangeKeepingTyped(allowed.LeastMm, allowed.MostMm);
        if (mast.value() != was) {
            movedMastText_ = wasText;
        }
    }
    // The ends as the field shows them, rounded once.
    QString words =
        tr("%1 to %2 mm")
            .arg(mast.textFromValue(mast.minimum()), mast.textFromValue(mast.maximum()));
    if (!allowed.Why.empty()) {
        words += tr(": %1").arg(Text(allowed.Why));
    }
    if (!movedMastText_.isEmpty()) {
        words +=
            tr(". %1 mm is outside, so the nearest, %2, is used.")
                .arg(movedMastText_, (mast.textFromValue(mast.value()) + mast.suffix()).trimmed());
    }
    ui_->mastDiameterRange->setText(words);
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
