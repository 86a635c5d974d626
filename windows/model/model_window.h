// The model window: the six styles modelled in nec2c at the typed frequency, row by row as
// they finish, with the selected style's elevation pattern and sweep, and its deck.
#pragma once

#include <QWidget>
#include <memory>

#include "default_instance.h"
#include "model_runner.h"
#include "sensitivity_runner.h"

class QChart;
class QCloseEvent;
class QPolarChart;
class QTemporaryDir;

namespace Ui {
class ModelWindow;
}

namespace zandrel {

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

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void StartRuns();
    void ShowRow(int index, const QStringList& texts, const QString& toolTip = {});
    void ShowStyle(int index);
    void ShowProgress();
    void FitTableHeight();
    void ShowHeaders(Polarisation sense, double z0Ohm);
    void ShowSensitivity(int index);
    ModelSettings ChosenSettings() const;
    void ShowSelectedStyle();
    void ReportFailures();
    QString NotModelledWords(const StyleModel& model) const;
    const StyleModel* FailureToReport() const;
    const StyleModel* SelectedStyle() const;
    void RememberChoices() const;

    std::unique_ptr<Ui::ModelWindow> ui_;
    ModelRunner runner_;
    SensitivityRunner sensitivity_;
    QString frequencyText_;
    bool modelled_ = false;  // whether the runner's models answer frequencyText_
    std::unique_ptr<QTemporaryDir> viewerFolder_;  // decks handed to xnec2c
    QPolarChart* patternChart_ = nullptr;
    QChart* sweepChart_ = nullptr;
};

// The model window's program-wide reference.
DefaultInstance<ModelWindow>& ModelWindowInstance();

}  // namespace zandrel
