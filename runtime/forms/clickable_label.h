// A label that the user can click, such as a web link.
#pragma once

#include <QLabel>

namespace zandrel {

class ClickableLabel : public QLabel {
    Q_OBJECT

  public:
    using QLabel::QLabel;

  signals:
    // A left press and release, both inside the label's rectangle.
    void clicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool pressed_ = false;
};

}  // namespace zandrel
