// The model window's work in the background: tuning, reading and fitting a measurement and its
// trim, each as queued nec2c work of the window's batch, with its progress and its outcome.
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QSignalBlocker>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "file_names.h"
#include "loop_fit.h"
#include "model_table_rows.h"
#include "model_window.h"
#include "model_window_words.h"
#include "one_port.h"
#include "pass_tuning.h"
#include "scaled_models.h"
#include "tune_texts.h"
#include "ui_model_window.h"
#include "vna_measure_dialog.h"
#include "window_reports.h"

namespace zandrel {

using namespace model_window_words;

namespace {

// What tuning searches, as the command line's --tune does.
const TuneSettings Tuning{};

}  // namespace

void ModelWindow::StartWork(const QString& words,
                            std::function<WorkOutcome(const DeckEvaluator&)> work,
                            std::function<void(const WorkOutcome&)> done) {
    if (working_) {
        return;  // one at a time
    }
    workRuns_.Cancel();  // takes work again after a stop; nothing of the last work runs
    working_ = true;
    workWords_ = words;
    workDone_ = std::move(done);
    workRuns_.Queue([this, work = std::move(work)](const DeckEvaluator& run) {
        int runs = 0;
        const DeckEvaluator evaluate = [this, &run, &runs](const std::string& deck) {
            NecOutput output = run(deck);
            QMetaObject::invokeMethod(
                this, [this, count = ++runs] { ShowWorkProgress(count); }, Qt::QueuedConnection);
            return output;
        };
        WorkOutcome outcome;
        try {
            outcome = work(evaluate);
        } catch (...) {
            // A stopped run fails as nec2c stopped: the work was cancelled, nothing failed.
            outcome.Stopped = workRuns_.Stopped();
            outcome.Failure = std::current_exception();
        }
        outcome.Runs = runs;
        QMetaObject::invokeMethod(
            this, [this, outcome = std::move(outcome)] { WorkFinished(outcome); },
            Qt::QueuedConnection);
    });
    ShowWorkProgress(0);
    ShowWorkButtons();
}

void ModelWindow::ShowWorkProgress(int runs) {
    if (working_ && !workRuns_.Stopped()) {
        ui_->workStatus->setText(tr("%1: %2 so far...").arg(workWords_, RunsWords(runs)));
    }
}

void ModelWindow::CancelWork() {
    if (working_) {
        // The runs end at once; the work says so when it has unwound.
        workRuns_.Stop();
        ui_->workStatus->setText(tr("%1: stopping...").arg(workWords_));
        ShowWorkButtons();
    }
}

void ModelWindow::StopWork() {
    workRuns_.Stop();
    // Killed, the runs end in moments and the work removes their folders as it unwinds.
    workRuns_.Wait();
}

void ModelWindow::WorkFinished(const WorkOutcome& outcome) {
    if (!working_) {
        return;
    }
    const bool stopped = outcome.Stopped || workRuns_.Stopped();
    const int runs = outcome.Runs;
    const std::function<void(const WorkOutcome&)> done = std::move(workDone_);
    working_ = false;
    if (stopped) {
        ui_->workStatus->setText(tr("%1: cancelled; nothing changed.").arg(workWords_));
    } else if (outcome.Failure) {
        ui_->workStatus->setText(tr("%1: failed.").arg(workWords_));
        RunReportingInWords(
            *this, [&outcome] { std::rethrow_exception(outcome.Failure); },
            [this](const RuntimeError& error) {
                return tr("%1 failed: %2").arg(workWords_, DetailSentence(error));
            });
    } else {
        ui_->workStatus->setText(tr("%1: done in %2.").arg(workWords_, RunsWords(runs)));
        RunReportingInWords(*this, [&done, &outcome] { done(outcome); });
    }
    ShowWorkButtons();
    CatchUp();
}

void ModelWindow::Tune() {
    const StyleModel* model = SelectedStyle();
    if (model == nullptr || !model->Figures) {
        return;
    }
    const int index = ChosenStyle();
    const LoopDesign design = ChosenDesign();
    const LineRequest line = runner_.Settings().Line;
    const bool forThePass = ui_->tuneObjectiveBox->currentIndex() == 1;
    PassTuneSettings passSettings;
    passSettings.AltitudeKm = ui_->altitudeBox->value();
    passSettings.Line = line;
    StartWork(
        tr("Tuning %1 in nec2c").arg(Text(design.Style->Caption)),
        [design, line, forThePass, passSettings](const DeckEvaluator& evaluate) {
            WorkOutcome outcome;
            if (forThePass) {
                const PassTuneResult tuned = TuneLoopsForPass(design, evaluate, passSettings);
                outcome.Tuned = TuneResult{};
                outcome.Tuned->Scales = tuned.Scales;
                outcome.Tuned->Dimensions = tuned.Dimensions;
                outcome.Tuned->MeetsReactanceLimit = tuned.MeetsLimits;
                outcome.Tuned->Nec2cRuns = tuned.Nec2cRuns;
                outcome.TunedSentences = PassTunedSentences(tuned, passSettings);
            } else {
                outcome.Tuned = TuneLoops(design, evaluate, Tuning);
                outcome.TunedSentences = TunedSentences(*outcome.Tuned, Tuning);
            }
            outcome.TunedModelled =
                ModelScaledKeepingOutput(design, outcome.Tuned->Scales, evaluate, line);
            outcome.Calculator = BuildScaledGeometry(design, {}).Dimensions;
            return outcome;
        },
        [this, index, design, line, forThePass, passSettings](const WorkOutcome& outcome) {
            {
                const QSignalBlocker quiet(ui_->modelTable->selectionModel());
                rows_->RemoveTuned();
                tuned_ = TunedStyle{
                    index,
                    design,
                    line,
                    forThePass,
                    *outcome.Tuned,
                    outcome.TunedModelled->Output,
                    outcome.TunedModelled->Figures,
                    outcome.Calculator,
                    forThePass ? tr("for a pass at %1 km").arg(passSettings.AltitudeKm, 0, 'f', 0)
                               : tr("for the zenith"),
                    outcome.TunedSentences};
                ShowTuned();
            }
            ui_->plotTabs->setCurrentWidget(ui_->tunedDimensionsTable);
            sensitivity_.Start(TunedSensitivityKey(index), design, tuned_->Figures,
                               tuned_->Result.Scales);
            FitTableHeight();
            ShowSelectedStyle();
        });
}

void ModelWindow::OpenMeasurement() {
    auto* dialog = new QFileDialog(this, tr("Open measurement"), {},
                                   tr("Measurements (*.s1p *.S1P *.csv *.CSV);;All files (*)"));
    dialog->setObjectName(QStringLiteral("openMeasurementDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    connect(dialog, &QFileDialog::fileSelected, this, &ModelWindow::StartReadingMeasurement);
    dialog->open();
}

void ModelWindow::StartReadingMeasurement(const QString& path) {
    if (reading_->isRunning()) {
        return;  // one at a time
    }
    constexpr MeasuredPart Parts[] = {MeasuredPart::Whole, MeasuredPart::SmallLoop,
                                      MeasuredPart::LargeLoop};
    const MeasuredPart part = Parts[std::clamp(ui_->measuredPartBox->currentIndex(), 0, 2)];
    ui_->openMeasurementButton->setEnabled(false);
    ui_->workStatus->setText(tr("Reading %1...").arg(QFileInfo(path).fileName()));
    // Read whole before anything changes: a file that cannot be read leaves the window as it was.
    reading_->setFuture(QtConcurrent::run([path, part] {
        ReadOutcome outcome{path, part, std::nullopt, nullptr};
        try {
            outcome.Read = ReadMeasurementFile(QFile::encodeName(path).toStdString());
        } catch (...) {
            outcome.Failure = std::current_exception();
        }
        return outcome;
    }));
}

void ModelWindow::MeasurementRead() {
    ReadOutcome outcome = reading_->result();
    ui_->workStatus->clear();
    ShowWorkButtons();
    const QString& path = outcome.Path;
    RunReportingInWords(
        *this,
        [this, &outcome] {
            if (outcome.Failure) {
                std::rethrow_exception(outcome.Failure);
            }
            AddMeasurement(outcome.Part,
                           ShownName(QFileInfo(outcome.Path).fileName().toStdString()),
                           std::move(*outcome.Read));
        },
        [&path](const RuntimeError& error) {
            return tr("The measurement %1 could not be read: %2\nNothing was changed.")
                .arg(QuotedPath(path), DetailSentence(error));
        });
}

void ModelWindow::MeasureWithVna() {
    const double designMHz = BuildScaledGeometry(ChosenDesign(), {}).FrequencyMHz;
    const double halfWidth = FitSettings{}.BandHalfWidth;
    constexpr MeasuredPart Parts[] = {MeasuredPart::Whole, MeasuredPart::SmallLoop,
                                      MeasuredPart::LargeLoop};
    const MeasuredPart part = Parts[std::clamp(ui_->measuredPartBox->currentIndex(), 0, 2)];
    auto* dialog = new VnaMeasureDialog(
        {designMHz * (1.0 - halfWidth), designMHz * (1.0 + halfWidth), MostPointsPerScan},
        [this, part](const std::string& name, const Measurement& sweep) {
            RunReportingInWords(*this, [&] { AddMeasurement(part, name, sweep); });
        },
        this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void ModelWindow::AddMeasurement(MeasuredPart part, const std::string& name,
                                 Measurement measurement) {
    // A measurement belongs to the style chosen for it: one of another style starts afresh.
    if (measuredStyle_ != ChosenStyle()) {
        measured_.clear();
        measuredStyle_ = ChosenStyle();
    }
    std::erase_if(measured_, [part](const PartMeasurement& kept) { return kept.Part == part; });
    measured_.push_back({part, name, std::move(measurement)});
    std::sort(measured_.begin(), measured_.end(),
              [](const PartMeasurement& a, const PartMeasurement& b) { return a.Part < b.Part; });
    trim_.reset();
    refitDue_ = true;
    ShowAdvice();
    ShowSelectedStyle();
    StartFit();
}

void ModelWindow::StartFit() {
    const int index = measuredStyle_;
    // Due, it starts when the style's model is in and the work before it has ended.
    if (measured_.empty() || !modelled_ ||
        !runner_.Models().at(static_cast<std::size_t>(index)).Figures || working_) {
        return;
    }
    const LoopDesign design = DesignOf(index);
    const std::vector<PartMeasurement> measurements = measured_;
    const LoopScales target = TrimTarget();
    // Another target needs no new fit.
    const std::optional<FitResult> known =
        trim_ && trim_->Index == index && SameAntenna(trim_->Design, design)
            ? std::optional<FitResult>(trim_->Fit)
            : std::nullopt;
    refitDue_ = false;
    StartWork(
        tr("Fitting %1 to the measurement in nec2c").arg(Text(design.Style->Caption)),
        [design, measurements, target, known](const DeckEvaluator& evaluate) {
            WorkOutcome outcome;
            outcome.Fit = known ? *known : FitLoops(design, measurements, evaluate);
            outcome.Advice = AdviseTrim(design, *outcome.Fit, target,
                                        measurements.front().Data.ReferenceOhm, evaluate);
            return outcome;
        },
        [this, index, design](const WorkOutcome& outcome) {
            trim_ = TrimShown{index, *outcome.Fit, *outcome.Advice, design};
            ShowAdvice();
        });
}

LoopScales ModelWindow::TrimTarget() const {
    const bool toTuned = ui_->trimTargetBox->currentIndex() == 1 && tuned_ &&
                         tuned_->Index == (measured_.empty() ? ChosenStyle() : measuredStyle_);
    return toTuned ? tuned_->Result.Scales : LoopScales{};
}

}  // namespace zandrel
