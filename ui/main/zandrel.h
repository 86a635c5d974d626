// The calculator's main window: the frequency box, six COMPUTE buttons and eleven results.
#pragma once

#include <QWidget>
#include <array>
#include <memory>

#include "default_instance.h"
#include "helix_style.h"

class QLineEdit;

namespace Ui {
class Zandrel;
}

namespace zandrel {

class RuntimeError;

class Zandrel : public QWidget {
    Q_OBJECT

  public:
    explicit Zandrel(QWidget* parent = nullptr);
    ~Zandrel() override;

    const Ui::Zandrel& Controls() const { return *ui_; }

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command7_Click();
    void Command8_Click();
    void Command5_Click();
    void Command6_Click();
    void Command9_Click();

  private:
    void Compute(HelixStyle style);
    QString ExplainComputeError(const RuntimeError& error) const;

    std::unique_ptr<Ui::Zandrel> ui_;
    std::array<QLineEdit*, 11> resultBoxes_{};
};

// The main window's program-wide reference.
DefaultInstance<Zandrel>& ZandrelInstance();

}  // namespace zandrel
