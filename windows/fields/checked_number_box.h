// A number field that never drops a keystroke: text outside the range, or text that is no number
// yet, stays as typed, in red, with words under the field saying what is wrong and what to do;
// the value the window reads stays the last good one until the text is corrected.
#pragma once

#include <QDoubleSpinBox>

class QLabel;

namespace zandrel {

class CheckedNumberBox : public QDoubleSpinBox {
    Q_OBJECT

  public:
    explicit CheckedNumberBox(QWidget* parent = nullptr);

    // Shows the words in `note`, the label under the field, hidden while the text is a value in
    // range.
    void ExplainIn(QLabel* note);

    // What is wrong with the typed text, and what to do; empty while it is a value in range.
    QString Problem() const;

    // Sets the range without touching text typed outside the old one.
    void SetRangeKeepingTyped(double least, double most);

    QValidator::State validate(QString& input, int& position) const override;
    void fixup(QString& input) const override;

  signals:
    // The typed text became wrong, or right again.
    void ProblemChanged();
    // The user typed in the field.
    void Edited();

  protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QString Typed() const;  // the text without prefix and suffix
    QString Shown(double value) const;
    QString Caption() const;
    void ShowProblem();

    QLabel* note_ = nullptr;
    QString shownProblem_;
};

}  // namespace zandrel
