#include "model_window.h"

#include <QCloseEvent>
#include <QFutureWatcher>
#include <QPolarChart>
#include <QShortcut>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>

#include "forms.h"
#include "helix_dimensions.h"
#include "installation_fields.h"
#include "model_charts.h"
#include "model_error.h"
#include "model_table_rows.h"
#include "model_texts.h"
#include "model_window_words.h"
#include "pass_chart.h"
#include "ui_model_window.h"
#include "window_choices.h"
#include "window_reports.h"

namespace zandrel {

using namespace model_window_words;

namespace {

// Why nothing was modelled when the runs could not start.
QString NotStartedWords(const RuntimeError& error) {
    return DetailSentence(error) + QLatin1Char('\n') + QObject::tr("No style was modelled.");
}

}  // namespace

ModelWindow::ModelWindow(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::ModelWindow>()) {
    ui_->setupUi(this);
    FinishLoading(*this);

    installation_ = new InstallationFields(this);
    ui_->windowLayout->insertWidget(1, installation_);
    installation_->PlaceInTabOrder(ui_->conductorDiameterBox, ui_->modelTable);
    ShowFieldNotes();
    if (Remembered(choices::Polarisation) == Text(PolarisationName(Polarisation::Lhcp))) {
        ui_->lhcpButton->setChecked(true);
    }
    SetUpField(*ui_->z0Box, choices::LineZ0);
    SetUpField(*ui_->conductorDiameterBox, choices::ConductorDiameter);
    SetUpField(*ui_->altitudeBox, choices::Altitude);
    const QString rememberedStyle = Remembered(choices::Style);
    const auto remembered = std::find_if(Styles.begin(), Styles.end(), [&](const StyleEntry& s) {
        return Text(s.Name) == rememberedStyle;
    });

    SetUpTable(remembered == Styles.end()
                   ? 0
                   : static_cast<int>(std::distance(Styles.begin(), remembered)));
    ui_->progressBar->setMaximum(static_cast<int>(Styles.size()));

    patternChart_ = NewPatternChart();
    sweepChart_ = NewSweepChart();
    passChart_ = NewPassChart();
    // A chart view lets go of the chart it was made with when it is given another.
    const std::unique_ptr<QChart> madeWithPattern(ui_->patternView->chart());
    const std::unique_ptr<QChart> madeWithSweep(ui_->sweepView->chart());
    const std::unique_ptr<QChart> madeWithPass(ui_->passView->chart());
    ui_->patternView->setChart(patternChart_);
    ui_->sweepView->setChart(sweepChart_);
    ui_->passView->setChart(passChart_);
    ui_->patternView->setRenderHint(QPainter::Antialiasing);
    ui_->sweepView->setRenderHint(QPainter::Antialiasing);
    ui_->passView->setRenderHint(QPainter::Antialiasing);
    ui_->resultsPane->hide();
    SetUpTablesAndPanels();
    reading_ = new QFutureWatcher<ReadOutcome>(this);
    FitOnScreen(*this);

    connect(ui_->lhcpButton, &QRadioButton::toggled, this,
            ReportingInWords(this, &ModelWindow::Remodel, NotStartedWords));
    connect(ui_->lhcpButton, &QRadioButton::toggled, this, &ModelWindow::RememberChoices);
    for (QDoubleSpinBox* box : {ui_->z0Box, ui_->conductorDiameterBox}) {
        connect(box, &QDoubleSpinBox::valueChanged, this,
                ReportingInWords(this, &ModelWindow::Remodel, NotStartedWords));
        connect(box, &QDoubleSpinBox::valueChanged, this, &ModelWindow::RememberChoices);
    }
    connect(installation_, &InstallationFields::Changed, this,
            ReportingInWords(this, &ModelWindow::Remodel, NotStartedWords));
    connect(installation_, &InstallationFields::Changed, this, &ModelWindow::RememberChoices);
    connect(ui_->modelTable->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            ReportingInWords(this, &ModelWindow::ShowSelectedStyle));
    // The pass follows the altitude at once: its figures need no new run of nec2c.
    connect(ui_->altitudeBox, &QDoubleSpinBox::valueChanged, this,
            ReportingInWords(this, &ModelWindow::ShowPassOfStyles));
    connect(ui_->altitudeBox, &QDoubleSpinBox::valueChanged, this, &ModelWindow::RememberChoices);
    connect(ui_->modelTable->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ModelWindow::RememberChoices);
    connect(ui_->saveDeckButton, &QPushButton::clicked, this,
            ReportingInWords(this, &ModelWindow::SaveDeck));
    connect(ui_->openInXnec2cButton, &QPushButton::clicked, this,
            ReportingInWords(this, &ModelWindow::OpenInXnec2c, [](const RuntimeError& error) {
                return tr("xnec2c could not be started: %1").arg(DetailSentence(error));
            }));
    connect(ui_->tuneButton, &QPushButton::clicked, this,
            ReportingInWords(this, &ModelWindow::Tune));
    connect(ui_->openMeasurementButton, &QPushButton::clicked, this,
            ReportingInWords(this, &ModelWindow::OpenMeasurement));
    connect(ui_->measureVnaButton, &QPushButton::clicked, this,
            ReportingInWords(this, &ModelWindow::MeasureWithVna));
    connect(ui_->saveTouchstoneButton, &QPushButton::clicked, this,
            ReportingInWords(this, &ModelWindow::SaveTouchstone));
    connect(ui_->cancelWorkButton, &QPushButton::clicked, this, &ModelWindow::CancelWork);
    connect(ui_->trimTargetBox, &QComboBox::currentIndexChanged, this, [this] {
        // The fit stays; only the trim to the other target is worked out again.
        if (trim_ && !measured_.empty() && !working_) {
            RunReportingInWords(*this, [this] { StartFit(); });
        }
    });
    connect(ui_->closeButton, &QPushButton::clicked, this, &QWidget::close);
    // Escape closes the window, as a dialog's Close would.
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this,
            &QWidget::close);
    connect(&runner_, &ModelRunner::StyleFinished, this,
            [this](int index) { RunReportingInWords(*this, [this, index] { ShowStyle(index); }); });
    connect(&runner_, &ModelRunner::AllFinished, this,
            [this] { RunReportingInWords(*this, [this] { ReportFailures(); }); });
    connect(&sensitivity_, &SensitivityRunner::Finished, this, &ModelWindow::ShowSensitivity);
    connect(reading_, &QFutureWatcher<ReadOutcome>::finished, this, &ModelWindow::MeasurementRead);
    ShowSelectedStyle();
}

ModelWindow::~ModelWindow() {
    StopWork();
    reading_->disconnect(this);
}

void ModelWindow::Model(const QString& frequencyText) {
    // Asked again for what it shows, the window comes forward as it is.
    if (modelled_ && frequencyText.trimmed() == frequencyText_.trimmed()) {
        return;
    }
    frequencyText_ = frequencyText;
    const QString frequency = frequencyText.trimmed();
    setWindowTitle(frequency.isEmpty() ? tr("NEC-2 model: no frequency given")
                                       : tr("NEC-2 model at %1 MHz").arg(frequency));
    RunReportingInWords(
        *this, [this] { StartRuns(); }, NotStartedWords);
}

void ModelWindow::Remodel() { StartRuns(); }

ModelSettings ModelWindow::ChosenSettings() const {
    ModelSettings settings;
    // The box's lowest value stands for the calculator's tube.
    if (ui_->conductorDiameterBox->value() > ui_->conductorDiameterBox->minimum()) {
        settings.Geometry.ConductorDiameterMm = ui_->conductorDiameterBox->value();
    }
    settings.Line.Z0Ohm = ui_->z0Box->value();
    settings.Geometry.Install = installation_->Chosen();
    return settings;
}

void ModelWindow::StartRuns() {
    runner_.Cancel();
    sensitivity_.Cancel();
    // A tuning or a fit of the earlier models answers them no more.
    workRuns_.Stop();
    const Polarisation sense =
        ui_->lhcpButton->isChecked() ? Polarisation::Lhcp : Polarisation::Rhcp;
    const ModelSettings settings = ChosenSettings();
    KeepWork(sense, settings);
    modelled_ = false;
    ui_->openInXnec2cButton->setVisible(!QStandardPaths::findExecutable(ViewerName).isEmpty());
    for (int row = 0; row < static_cast<int>(Styles.size()); ++row) {
        ShowRow(row, {tr("modelling...")});
    }
    ShowHeaders(sense, settings.Line.Z0Ohm);
    modelled_ = true;
    try {
        runner_.Start(frequencyText_.toStdString(), sense, settings);
    } catch (const RuntimeError& error) {
        // The runner keeps its earlier models when nec2c is missing: every row says why not.
        modelled_ = false;
        ShowProgress();
        for (int row = 0; row < static_cast<int>(Styles.size()); ++row) {
            ShowRow(row, {Text(error.Message()) + QLatin1Char('.')}, Text(error.Detail()));
        }
        ShowSelectedStyle();
        throw;
    }
    ShowProgress();
    ShowSelectedStyle();
}

void ModelWindow::ShowProgress() {
    const std::vector<StyleModel>& models = runner_.Models();
    const int modelled =
        !modelled_
            ? 0
            : static_cast<int>(std::count_if(models.begin(), models.end(), [](const StyleModel& m) {
                  return m.Figures.has_value();
              }));
    // The bar fills as styles finish; its words count only those that nec2c modelled.
    ui_->progressBar->setValue(modelled_ ? runner_.FinishedCount() : 0);
    ui_->progressBar->setFormat(
        tr("%1 of %2 styles modelled").arg(modelled).arg(ui_->progressBar->maximum()));
}

void ModelWindow::ShowStyle(int index) {
    const StyleModel& model = runner_.Models().at(static_cast<std::size_t>(index));
    if (model.Error) {
        // nec2c's own words are for whoever looks closer: the row's tip and the report's details.
        ShowRow(index, {NotModelledWords(model)}, EngineWords(model), true);
    } else if (model.Figures) {
        ShowRow(index, RowTextsOf(*model.Figures) << tr("modelling...") << tr("modelling..."));
        sensitivity_.Start(
            index,
            {model.Style, runner_.FrequencyText(), runner_.Sense(),
             runner_.Settings().Geometry.ConductorDiameterMm, runner_.Settings().Geometry.Install},
            *model.Figures);
    }
    ShowProgress();
    if (index == ChosenStyle()) {
        ShowSelectedStyle();
    } else {
        ShowPassOfStyles();
    }
    CatchUp();
}

const StyleModel* ModelWindow::SelectedStyle() const {
    const int row = ChosenStyle();
    if (!modelled_ || row < 0 || row >= static_cast<int>(runner_.Models().size())) {
        return nullptr;
    }
    return &runner_.Models()[static_cast<std::size_t>(row)];
}

void ModelWindow::ShowSelectedStyle() {
    const int row = std::max(0, ChosenStyle());
    // The tuned row shows the tuned antenna; the measurement lies over its own style only.
    const bool tunedRow = TunedRowChosen();
    const QString caption = tunedRow ? TunedRowCaption(*tuned_)
                                     : Text(Styles.at(static_cast<std::size_t>(row)).Caption);
    const StyleModel* model = SelectedStyle();
    const ModelFigures* figures = tunedRow                             ? &tuned_->Figures
                                  : model != nullptr && model->Figures ? &*model->Figures
                                                                       : nullptr;
    const bool measuredHere = !measured_.empty() && measuredStyle_ == row;
    ShowPattern(*patternChart_, figures != nullptr ? caption : QString(), figures);
    ShowSweep(*sweepChart_, figures != nullptr ? caption : QString(), figures);
    ShowPassOfStyles();
    if (figures != nullptr && measuredHere) {
        ShowMeasurements(*sweepChart_, measured_, *figures);
    }
    ShowWorkButtons();
    ShowPanels();
    const bool hasDeck = !ChosenDeck().second.empty();
    ui_->saveDeckButton->setEnabled(hasDeck);
    ui_->openInXnec2cButton->setEnabled(hasDeck);
    if (figures != nullptr) {
        ui_->selectionCaption->setText(
            !measuredHere
                ? tr("%1: \u03C6 0\u00B0 cuts the small loop's plane, \u03C6 90\u00B0 the large "
                     "loop's. SWR on R is the designer's: against R with the series part fitted.")
                      .arg(caption)
                : tr("%1: \u03C6 0\u00B0 cuts the small loop's plane, \u03C6 90\u00B0 the large "
                     "loop's. SWR bare: the model's on the measurement's %2 ohm with nothing "
                     "fitted, to compare with the measured points.")
                      .arg(caption)
                      .arg(measured_.front().Data.ReferenceOhm));
    } else if (model != nullptr && !model->Finished) {
        ui_->selectionCaption->setText(
            tr("%1: its plots follow when nec2c has modelled it.").arg(caption));
    } else {
        ui_->selectionCaption->setText(tr("%1 was not modelled: nothing to plot.").arg(caption));
    }
}

void ModelWindow::RememberChoices() const {
    Remember(choices::Polarisation,
             Text(PolarisationName(ui_->lhcpButton->isChecked() ? Polarisation::Lhcp
                                                                : Polarisation::Rhcp)));
    Remember(choices::LineZ0, ui_->z0Box->value());
    Remember(choices::ConductorDiameter, ui_->conductorDiameterBox->value());
    Remember(choices::Altitude, ui_->altitudeBox->value());
    installation_->Remember();
    const int row = ChosenStyle();
    if (row >= 0 && row < static_cast<int>(Styles.size())) {
        Remember(choices::Style, Text(Styles.at(static_cast<std::size_t>(row)).Name));
    }
    AnnounceSharedChoices(*this);
}

void ModelWindow::closeEvent(QCloseEvent* event) {
    runner_.Cancel();
    sensitivity_.Cancel();
    StopWork();
    viewerFolder_.reset();
    QWidget::closeEvent(event);
}

LoopDesign ModelWindow::ChosenDesign() const { return DesignOf(ChosenStyle()); }

LoopDesign ModelWindow::DesignOf(int index) const {
    return LoopDesign{&Styles.at(static_cast<std::size_t>(index)), runner_.FrequencyText(),
                      runner_.Sense(), runner_.Settings().Geometry.ConductorDiameterMm,
                      runner_.Settings().Geometry.Install};
}

void ModelWindow::ShowWorkButtons() {
    const StyleModel* model = SelectedStyle();
    const bool modelled = model != nullptr && model->Figures.has_value();
    const bool working = working_;
    const bool reading = reading_ != nullptr && reading_->isRunning();
    for (QPushButton* button : {ui_->tuneButton, ui_->openMeasurementButton, ui_->measureVnaButton,
                                ui_->saveTouchstoneButton}) {
        button->setEnabled(modelled && !working && !reading);
    }
    ui_->cancelWorkButton->setEnabled(working && !workRuns_.Stopped());
    // The tuned loops are a target only once the style is tuned.
    const bool tunedHere = tuned_ && tuned_->Index == ChosenStyle();
    if (!tunedHere && ui_->trimTargetBox->currentIndex() != 0) {
        const QSignalBlocker quiet(ui_->trimTargetBox);
        ui_->trimTargetBox->setCurrentIndex(0);
    }
    ui_->trimTargetBox->setEnabled(tunedHere && !working);
}

void ModelWindow::ShowPassOfStyles() {
    std::vector<PassCurve> curves;
    const double altitude = ui_->altitudeBox->value();
    if (modelled_) {
        const int chosen = ChosenStyle();
        for (std::size_t i = 0; i < runner_.Models().size(); ++i) {
            const StyleModel& model = runner_.Models()[i];
            if (model.Figures) {
                curves.push_back(
                    {Text(model.Style->Caption),
                     ComputePassFigures(model.Figures->ElevationGains, runner_.Sense(), altitude),
                     static_cast<int>(i) == chosen});
            }
        }
    }
    ShowPass(*passChart_, curves, altitude);
}

DefaultInstance<ModelWindow>& ModelWindowInstance() {
    static DefaultInstance<ModelWindow> instance;
    return instance;
}

}  // namespace zandrel
