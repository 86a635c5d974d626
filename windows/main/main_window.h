// The calculator's main window: the frequency box, six COMPUTE buttons and eleven results.
#pragma once

#include <QWidget>
#include <array>
#include <memory>

#include "default_instance.h"
#include "helix_style.h"

class QLineEdit;

namespace Ui {
class MainWindow;
}

namespace zandrel {

class RuntimeError;

class MainWindow : public QWidget {
    Q_OBJECT

  public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    void ComputeQuarterTurn();
    void ComputeHalfTurnRca();
    void ComputeHalfTurnShort();
    void ComputeHalfTurnTall();
    void ComputeOneTurn();
    void ComputeOneAndHalfTurn();
    void ShowInformationWindow();
    void ShowWebLinkWindow();
    void PrintMainWindow();

  private:
    void Compute(HelixStyle style);
    QString ExplainComputeError(const RuntimeError& error) const;

    std::unique_ptr<Ui::MainWindow> ui_;
    std::array<QLineEdit*, 11> resultBoxes_{};
};

// The main window's program-wide reference.
DefaultInstance<MainWindow>& MainWindowInstance();

}  // namespace zandrel
