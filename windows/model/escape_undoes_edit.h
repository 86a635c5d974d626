// Escape in a number field that is being edited puts back the number it had, rather than
// closing the window with half a number in it; a second Escape closes as before.
#pragma once

#include <QObject>

namespace zandrel {

class EscapeUndoesEdit : public QObject {
    Q_OBJECT

  public:
    // Watches every spin box under `window`.
    explicit EscapeUndoesEdit(QWidget& window);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace zandrel
