// The information window: notes on the design and the table of modelling results.
#pragma once

#include <QWidget>
#include <memory>

#include "default_instance.h"

namespace Ui {
class InformationWindow;
}

namespace zandrel {

class InformationWindow : public QWidget {
    Q_OBJECT

  public:
    explicit InformationWindow(QWidget* parent = nullptr);
    ~InformationWindow() override;

  private:
    std::unique_ptr<Ui::InformationWindow> ui_;
};

// The information window's program-wide reference.
DefaultInstance<InformationWindow>& InformationWindowInstance();

}  // namespace zandrel
