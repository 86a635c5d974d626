// The model window: the six styles modelled in nec2c at the typed frequency, row by row as
// they finish, with the selected style's elevation pattern and sweep, and its deck.
#pragma once

#include <QWidget>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "default_instance.h"
#include "engine_batch.h"
#include "kept_work.h"
#include "loop_fit.h"
#include "loop_tuning.h"
#include "model_runner.h"
#include "sensitivity_runner.h"
#include "tune_texts.h"

template <typename T>
class QFutureWatcher;
class QChart;
class QCloseEvent;
class QPolarChart;
class QTemporaryDir;

namespace Ui {
class ModelWindow;
}

namespace zandrel {

class InstallationFields;
class ModelTableRows;

class ModelWindow : public QWidget {
    Q_OBJECT

  public:
    explicit ModelWindow(QWidget* parent = nullptr);
    ~ModelWindow() override;

    // Models the six styles at the frequency text as typed, stopping any runs in progress.
    void Model(const QString& frequencyText);

    // The window's commands.
    void Remodel();
    void SaveDeck();
    void OpenInXnec2c();
    void Tune();
    void OpenMeasurement();
    void MeasureWithVna();
    void SaveTouchstone();
    void CancelWork();

  public slots:
    // Shows the choices the sheet window shares, as it last remembered them, and models them.
    void FollowSharedChoices();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // What the nec2c work in the background gives: any of these, or the error that stopped it.
    struct WorkOutcome {
        std::optional<TuneResult> Tuned;
        std::string TunedSentences;  // what the tuning found, in words
        std::optional<ScaledModel> TunedModelled;
        HelixDimensions Calculator;
        std::optional<FitResult> Fit;
        std::optional<TrimAdvice> Advice;
        std::optional<Measurement> ModelS11;
        std::exception_ptr Failure;
        bool Stopped = false;
        int Runs = 0;  // of nec2c
    };
    void StartWork(const QString& words, std::function<WorkOutcome(const DeckEvaluator&)> work,
                   std::function<void(const WorkOutcome&)> done);
    void WorkFinished(const WorkOutcome& outcome);
    void ShowWorkProgress(int runs);
    void StopWork();
    void StartFit();
    // Reads the file of the chosen part on a thread of its own; MeasurementRead takes it in.
    void StartReadingMeasurement(const QString& path);
    void MeasurementRead();
    // One file or sweep of each part: a new one of a part takes the place of the one before.
    void AddMeasurement(MeasuredPart part, const std::string& name, Measurement measurement);
    void ShowTuned();
    // Gives the tuned dimensions a tab beside the plots, the table its frozen style column and
    // a frame that marks its focus, and the number fields an Escape that undoes an edit.
    void SetUpTablesAndPanels();
    // The table's rows, headers and column widths, with `row` chosen.
    void SetUpTable(int row);
    // Keeps the tuned loops, the measurement and its trim across a new model of the same
    // antenna at the frequency and sense given: the tuned row matched to the new line, what no
    // longer answers the choices marked, the trim fitted again when its style's model is in.
    void KeepWork(Polarisation sense, const ModelSettings& settings);
    // Fits the measurement again to its style's new model when a new model asked for it.
    void CatchUp();
    // The tuned panel, the advice and the note of what another style keeps, for the chosen row.
    void ShowPanels();
    bool TunedRowChosen() const;
    // The chosen row's deck and its default file name; no deck when the row has none.
    std::pair<QString, std::string> ChosenDeck() const;
    // Each modelled style's signal over a pass at the altitude chosen, the chosen style's bold.
    void ShowPassOfStyles();
    void ShowAdvice();
    // Scrolls the advice to its cut lines.
    void ShowCuts();
    void ShowWorkButtons();
    LoopDesign ChosenDesign() const;
    LoopDesign DesignOf(int index) const;
    LoopScales TrimTarget() const;
    TrimAssumptions TrimAssumed(const TrimShown& trim, const std::string& frequency,
                                bool toTuned) const;
    int RowOfStyle(int index) const;
    int ChosenRow() const;
    int ChosenStyle() const;
    QStringList RowTextsOf(const ModelFigures& figures) const;
    void StartRuns();
    void ShowRow(int index, const QStringList& texts, const QString& toolTip = {},
                 bool failed = false);
    void ShowSpans();
    void ShowStyle(int index);
    void ShowProgress();
    void FitTableHeight();
    void ShowHeaders(Polarisation sense, double z0Ohm);
    void ShowSensitivity(int key);  // a style's index, or its tuned loops' key
    ModelSettings ChosenSettings() const;
    void ShowSelectedStyle();
    void ReportFailures();
    QString NotModelledWords(const StyleModel& model) const;
    const StyleModel* FailureToReport() const;
    const StyleModel* SelectedStyle() const;
    void RememberChoices() const;
    void ShowFieldNotes();  // puts each number field's note under it

    std::unique_ptr<Ui::ModelWindow> ui_;
    ModelRunner runner_;
    SensitivityRunner sensitivity_;
    QString frequencyText_;
    bool modelled_ = false;  // whether the runner's models answer frequencyText_
    std::unique_ptr<QTemporaryDir> viewerFolder_;  // decks handed to xnec2c
    InstallationFields* installation_ = nullptr;
    ModelTableRows* rows_ = nullptr;  // the table's
    QPolarChart* patternChart_ = nullptr;
    QChart* sweepChart_ = nullptr;
    QChart* passChart_ = nullptr;

    // A measurement file read in the background, or what stopped it.
    struct ReadOutcome {
        QString Path;
        MeasuredPart Part = MeasuredPart::Whole;
        std::optional<Measurement> Read;
        std::exception_ptr Failure;
    };
    QFutureWatcher<ReadOutcome>* reading_ = nullptr;
    EngineBatch workRuns_;  // the nec2c runs of a tuning, a fit or a Touchstone file
    bool working_ = false;  // from StartWork until its outcome is shown
    QString workWords_;     // what the work is doing, for its progress
    std::function<void(const WorkOutcome&)> workDone_;
    std::optional<TunedStyle> tuned_;
    std::vector<PartMeasurement> measured_;  // at most one of each part
    std::optional<TrimShown> trim_;
    int measuredStyle_ = 0;  // the style that measured_ is of
    bool refitDue_ = false;  // a new model of the measured style awaits a new fit
};

// The model window's program-wide reference.
DefaultInstance<ModelWindow>& ModelWindowInstance();

}  // namespace zandrel
