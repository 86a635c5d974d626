#include "window_choices.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QSettings>
#include <QWidget>

#include "tune_texts.h"

namespace zandrel {

QString TunedScaleRangeText() { return QString::fromStdString(SearchedScalesText()); }

double Remembered(const NumberChoice& choice) {
    bool isNumber = false;
    const double value = QSettings().value(QLatin1String(choice.Key)).toDouble(&isNumber);
    return isNumber && value >= choice.Least && value <= choice.Most ? value : choice.Default;
}

QString Remembered(const WordChoice& choice) {
    return QSettings().value(QLatin1String(choice.Key)).toString();
}

void Remember(const NumberChoice& choice, double value) {
    QSettings().setValue(QLatin1String(choice.Key), value);
}

void Remember(const WordChoice& choice, const QString& word) {
    QSettings().setValue(QLatin1String(choice.Key), word);
}

void SetUpField(QDoubleSpinBox& field, const NumberChoice& choice) {
    field.setDecimals(choice.Decimals);
    field.setRange(choice.Least, choice.Most);
    field.setValue(Remembered(choice));
}

void AnnounceSharedChoices(const QWidget& from) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != &from && window->metaObject()->indexOfSlot("FollowSharedChoices()") >= 0) {
            // Queued: each window follows once the change that announced it is over.
            QMetaObject::invokeMethod(window, "FollowSharedChoices", Qt::QueuedConnection);
        }
    }
}

}  // namespace zandrel
