// The construction sheet window: pick the style, polarisation, mast, paper and the builder's
// parts for the frequency of the main window, look at the pages, and save them as a PDF or
// print them. The match (and the tuned loops, when asked for) come from nec2c in the background.
#pragma once

#include <QString>
#include <QWidget>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "construction_sheet.h"
#include "default_instance.h"
#include "loop_tuning.h"
#include "model_figures.h"
#include "engine_batch.h"
#include "sheet_pages.h"

class QPrinter;

namespace Ui {
class ConstructionSheetWindow;
}

namespace zandrel {

class ModelRunner;
class RuntimeError;

class ConstructionSheetWindow : public QWidget {
    Q_OBJECT

  public:
    explicit ConstructionSheetWindow(QWidget* parent = nullptr);
    ~ConstructionSheetWindow() override;

    // Shows the sheet for the frequency text as the main window's box has it.
    void SetFrequency(const QString& frequencyText);

    // The sheet of the chosen settings, with the match modelled so far; raises what computing
    // it raises, and SheetError CannotBeDrawn while tuned loops are asked for and not yet tuned
    // or when no loop sizes in range could be tuned.
    ConstructionSheet CurrentSheet() const;
    // The request of the chosen settings, with the tuned loops when they are asked for; raises
    // as CurrentSheet does about the tuned loops.
    SheetRequest CurrentRequest() const;
    Paper CurrentPaper() const;
    // Whether nec2c is still tuning or modelling the chosen antenna.
    bool IsModelling() const;

    // Computes the sheet of the chosen settings and shows it, or, when there is none, says why
    // in its place and raises what computing it raised.
    void UpdatePreview();
    void SavePdf();  // asks where
    void SavePdfTo(const QString& path);
    void Print();  // through the print dialog, or offers a PDF when there is no printer
    void PrintOn(QPrinter& printer);

    // "zandrel2-OneTurn-137.50MHz-LHCP-a4.pdf": what the sheet of the chosen settings is saved
    // as unless the user says otherwise.
    QString DefaultFileName() const;

  public slots:
    // Shows the choices the model window shares, as it last remembered them.
    void FollowSharedChoices();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct ModelOutcome {
        std::optional<ModelFigures> Figures;
        std::string Error;
    };
    struct TuneOutcome {
        std::optional<TuneResult> Result;
        std::string Error;
    };

    // The chosen style, the design the tuning is asked for, and the keys its outcomes are kept
    // under.
    const StyleEntry& ChosenStyle() const;
    LoopDesign ChosenDesign() const;
    QString TuneKey() const;
    static QString ModelKey(const ConstructionSheet& sheet);
    void StartTuning();
    void TuningFinished(const TuneOutcome& outcome);
    void StartModelling(const ConstructionSheet& sheet);
    void ModellingFinished();
    void ShowMatch();
    void PaintPreview(QPrinter* printer);
    void ShowNoSheet(const QString& why);
    void ShowMastDiameterRange();
    void RememberChoices() const;
    void RestoreChoices();
    void ShowSharedChoices();
    QString Explain(const RuntimeError& error, const QString& failure) const;

    std::unique_ptr<Ui::ConstructionSheetWindow> ui_;
    QString frequency_;
    std::optional<ConstructionSheet> sheet_;  // what the preview shows; none when it cannot
    QString
        movedMastText_;  // a mast diameter the antenna's range moved, until the field is typed in
    std::map<QString, TuneOutcome> tunes_;    // by TuneKey
    std::map<QString, ModelOutcome> models_;  // by ModelKey
    QString tuningKey_;                       // what is being tuned; empty when nothing is
    QString modellingKey_;                    // what is being modelled; empty when nothing is
    EngineBatch tuningRuns_;  // the tuning's nec2c runs, in the program's line of runs
    ModelRunner* runner_ = nullptr;
};

// The construction sheet window's program-wide reference.
DefaultInstance<ConstructionSheetWindow>& ConstructionSheetWindowInstance();

// Opens the construction sheet window (one at a time) for `frequencyText`.
void ShowConstructionSheetWindow(const QString& frequencyText);

}  // namespace zandrel
