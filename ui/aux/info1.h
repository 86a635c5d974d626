// The information window: notes on the design and the table of modelling results.
#pragma once

#include <QWidget>
#include <memory>

#include "default_instance.h"

namespace Ui {
class INFO1;
}

namespace zandrel {

class INFO1 : public QWidget {
    Q_OBJECT

  public:
    explicit INFO1(QWidget* parent = nullptr);
    ~INFO1() override;

  private:
    std::unique_ptr<Ui::INFO1> ui_;
};

// The information window's program-wide reference.
DefaultInstance<INFO1>& INFO1Instance();

}  // namespace zandrel
