#include "checked_number_box.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace zandrel {

namespace {

const QColor WrongColour(176, 0, 0);

}  // namespace

CheckedNumberBox::CheckedNumberBox(QWidget* parent) : QDoubleSpinBox(parent) {
    connect(lineEdit(), &QLineEdit::textChanged, this, &CheckedNumberBox::ShowProblem);
    connect(lineEdit(), &QLineEdit::textEdited, this, &CheckedNumberBox::Edited);
}

void CheckedNumberBox::ExplainIn(QLabel* note) {
    note_ = note;
    note_->setTextFormat(Qt::PlainText);
    note_->setWordWrap(true);
    QPalette palette = note_->palette();
    palette.setColor(QPalette::WindowText, WrongColour);
    note_->setPalette(palette);
    note_->setText(shownProblem_);
    note_->setVisible(!shownProblem_.isEmpty());
}

QString CheckedNumberBox::Typed() const {
    QString typed = text();
    if (!prefix().isEmpty() && typed.startsWith(prefix())) {
        typed.remove(0, prefix().size());
    }
    if (!suffix().isEmpty() && typed.endsWith(suffix())) {
        typed.chop(suffix().size());
    }
    return typed.trimmed();
}

QString CheckedNumberBox::Shown(double value) const {
    if (value == minimum() && !specialValueText().isEmpty()) {
        return specialValueText();
    }
    return (textFromValue(value) + suffix()).trimmed();
}

QString CheckedNumberBox::Caption() const {
    // The words of the label the field is the buddy of, as the window shows them.
    for (const QLabel* label : window()->findChildren<QLabel*>()) {
        if (label->buddy() == this) {
            QString caption = label->text();
            caption.remove(QLatin1Char('&')).replace(QLatin1Char('\n'), QLatin1Char(' '));
            while (caption.endsWith(QLatin1Char(':'))) {
                caption.chop(1);
            }
            return caption.trimmed();
        }
    }
    return objectName();
}

QString CheckedNumberBox::Problem() const {
    QString input = text();
    int position = 0;
    if (QDoubleSpinBox::validate(input, position) == QValidator::Acceptable) {
        return {};
    }
    const QString typed = Typed();
    const QString range =
        tr("%1 to %2")
            .arg(textFromValue(minimum()), (textFromValue(maximum()) + suffix()).trimmed());
    const QString meanwhile = tr("until then %1 is used.").arg(Shown(value()));
    bool isNumber = false;
    const double typedValue = locale().toDouble(typed, &isNumber);
    QString what;
    if (typed.isEmpty()) {
        what = tr("nothing is typed");
    } else if (!isNumber) {
        what = tr("\u201C%1\u201D is not a number").arg(typed);
    } else if (typedValue < minimum() || typedValue > maximum()) {
        what = tr("%1 is outside %2").arg((typed + suffix()).trimmed(), range);
        return tr("%1: %2. Type a value in that range; %3").arg(Caption(), what, meanwhile);
    } else {
        what = decimals() == 0   ? tr("%1 is not a whole number").arg(typed)
               : decimals() == 1 ? tr("%1 has more than 1 decimal").arg(typed)
                                 : tr("%1 has more than %2 decimals").arg(typed).arg(decimals());
    }
    return tr("%1: %2. Type a value from %3; %4").arg(Caption(), what, range, meanwhile);
}

void CheckedNumberBox::SetRangeKeepingTyped(double least, double most) {
    const bool wrong = !Problem().isEmpty();
    const QString typed = lineEdit()->text();
    setRange(least, most);
    if (wrong) {
        lineEdit()->setText(typed);
    }
    ShowProblem();
}

QValidator::State CheckedNumberBox::validate(QString& input, int& position) const {
    // Every keystroke stays: what the spin box would refuse is kept for the note to explain.
    const QValidator::State state = QDoubleSpinBox::validate(input, position);
    return state == QValidator::Invalid ? QValidator::Intermediate : state;
}

void CheckedNumberBox::fixup(QString&) const {
    // The typed text is never replaced behind the user's back.
}

void CheckedNumberBox::focusOutEvent(QFocusEvent* event) {
    if (Problem().isEmpty()) {
        QDoubleSpinBox::focusOutEvent(event);
        return;
    }
    // The spin box would put the last good value in place of the typed text: the text stays,
    // and so does the value.
    QCoreApplication::sendEvent(lineEdit(), event);
    QWidget::focusOutEvent(event);
    emit editingFinished();
}

void CheckedNumberBox::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !Problem().isEmpty()) {
        selectAll();
        event->ignore();
        emit editingFinished();
        return;
    }
    QDoubleSpinBox::keyPressEvent(event);
}

void CheckedNumberBox::ShowProblem() {
    const QString problem = Problem();
    if (problem == shownProblem_) {
        return;
    }
    const bool wasWrong = !shownProblem_.isEmpty();
    shownProblem_ = problem;
    if (problem.isEmpty()) {
        lineEdit()->setPalette(QPalette());
    } else if (!wasWrong) {
        QPalette palette = lineEdit()->palette();
        palette.setColor(QPalette::Text, WrongColour);
        lineEdit()->setPalette(palette);
    }
    if (note_ != nullptr) {
        note_->setText(problem);
        note_->setVisible(!problem.isEmpty());
    }
    emit ProblemChanged();
}

}  // namespace zandrel
