// The construction sheet window's choices: remembered, restored, and shared with the model window.
#include <QCheckBox>
#include <QComboBox>
#include <QSignalBlocker>

#include "checked_number_box.h"
#include "construction_sheet_window.h"
#include "ui_construction_sheet_window.h"
#include "window_choices.h"
#include "window_reports.h"
#include "window_texts.h"

namespace zandrel {

void ConstructionSheetWindow::RememberChoices() const {
    Remember(choices::Style, Text(ChosenStyle().Name));
    Remember(choices::Polarisation,
             Text(PolarisationName(ui_->polarisationBox->currentData().value<Polarisation>())));
    Remember(choices::Paper, Text(PaperName(CurrentPaper())));
    Remember(choices::MastDiameter, ui_->mastDiameterBox->value());
    Remember(choices::ConductorDiameter, ui_->conductorDiameterBox->value());
    Remember(choices::LineZ0, ui_->z0Box->value());
    Remember(choices::BendRadius, ui_->bendRadiusBox->value());
    Remember(choices::Units,
             Text(LengthUnitName(ui_->unitsBox->currentData().value<LengthUnit>())));
    Remember(choices::Tuned,
             ui_->tunedBox->isChecked() ? QStringLiteral("true") : QStringLiteral("false"));
    AnnounceSharedChoices(*this);
}

void ConstructionSheetWindow::ShowSharedChoices() {
    const QString style = Remembered(choices::Style);
    for (const StyleEntry& entry : Styles) {
        if (Text(entry.Name) == style) {
            ui_->styleBox->setCurrentIndex(
                ui_->styleBox->findData(QVariant::fromValue(entry.Style)));
        }
    }
    const Polarisation sense =
        Remembered(choices::Polarisation) == Text(PolarisationName(Polarisation::Lhcp))
            ? Polarisation::Lhcp
            : Polarisation::Rhcp;
    ui_->polarisationBox->setCurrentIndex(
        ui_->polarisationBox->findData(QVariant::fromValue(sense)));
    ui_->conductorDiameterBox->setValue(Remembered(choices::ConductorDiameter));
    ui_->z0Box->setValue(Remembered(choices::LineZ0));
}

void ConstructionSheetWindow::FollowSharedChoices() {
    const QString before = TuneKey() + QString::number(ui_->z0Box->value());
    {
        // One redraw for all that changed, and nothing remembered back on the way.
        const QSignalBlocker style(ui_->styleBox);
        const QSignalBlocker sense(ui_->polarisationBox);
        const QSignalBlocker tube(ui_->conductorDiameterBox);
        const QSignalBlocker line(ui_->z0Box);
        ShowSharedChoices();
    }
    if (TuneKey() + QString::number(ui_->z0Box->value()) != before) {
        RunReportingInWords(
            *this, [this] { UpdatePreview(); },
            [this](const RuntimeError& error) {
                return Explain(error, tr("The sheet cannot be drawn."));
            });
    }
}

void ConstructionSheetWindow::RestoreChoices() {
    ShowSharedChoices();
    if (Remembered(choices::Paper) == Text(PaperName(Paper::Letter))) {
        ui_->paperBox->setCurrentIndex(ui_->paperBox->findData(QVariant::fromValue(Paper::Letter)));
    }
    if (Remembered(choices::Units) == Text(LengthUnitName(LengthUnit::Inch))) {
        ui_->unitsBox->setCurrentIndex(
            ui_->unitsBox->findData(QVariant::fromValue(LengthUnit::Inch)));
    }
    // Only the words the window writes: a number or any other word is not "true".
    ui_->tunedBox->setChecked(Remembered(choices::Tuned) == QStringLiteral("true"));
}

}  // namespace zandrel
