#include "escape_undoes_edit.h"

#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QWidget>

namespace zandrel {

namespace {

// Whether the field shows other text than its number's: an edit not yet taken.
bool IsEdited(const QDoubleSpinBox& box) {
    const bool special = !box.specialValueText().isEmpty() && box.value() == box.minimum();
    const QString shown = special ? box.specialValueText()
                                  : box.prefix() + box.textFromValue(box.value()) + box.suffix();
    return box.text() != shown;
}

}  // namespace

EscapeUndoesEdit::EscapeUndoesEdit(QWidget& window) : QObject(&window) {
    for (QDoubleSpinBox* box : window.findChildren<QDoubleSpinBox*>()) {
        box->installEventFilter(this);
    }
}

bool EscapeUndoesEdit::eventFilter(QObject* watched, QEvent* event) {
    const bool escape =
        (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
    auto* box = qobject_cast<QDoubleSpinBox*>(watched);
    if (!escape || box == nullptr || !IsEdited(*box)) {
        return false;
    }
    // Claimed before the window's Escape, the key comes here and puts the number back.
    event->accept();
    if (event->type() == QEvent::KeyPress) {
        box->setValue(box->value());
        box->selectAll();
    }
    return true;
}

}  // namespace zandrel
