// The calculator's main window: the frequency box, six COMPUTE buttons and eleven results.
#pragma once

#include <QWidget>
#include <array>
#include <memory>

#include "default_instance.h"
#include "helix_dimensions.h"
#include "helix_style.h"

class QAction;
class QContextMenuEvent;
class QLineEdit;
class QMenu;

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

    void ShowInformationWindow();
    void ShowWebLinkWindow();
    void PrintMainWindow();

  signals:
    // The context menu's requests, with the frequency box's text as it stands.
    void modelRequested(const QString& frequencyText);
    void constructionSheetRequested(const QString& frequencyText);

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The window's own menu items, above what `menu` already holds.
    void AddWindowActions(QMenu& menu);
    // Opens the context menu of the control with the focus, as the menu key does.
    void OpenContextMenuFromKeyboard();

    void Compute(HelixStyle style);
    QString ExplainComputeError(const RuntimeError& error) const;

    std::unique_ptr<Ui::MainWindow> ui_;
    HelixDimensions dimensions_;  // the working set of every COMPUTE
    std::array<QLineEdit*, 11> resultBoxes_{};
    QAction* modelAction_ = nullptr;
    QAction* sheetAction_ = nullptr;
};

// The main window's program-wide reference.
DefaultInstance<MainWindow>& MainWindowInstance();

}  // namespace zandrel
