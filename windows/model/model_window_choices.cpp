// The model window's number fields' notes and the choices it shares with the sheet window.
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "model_window.h"
#include "ui_model_window.h"
#include "window_choices.h"
#include "window_reports.h"
#include "window_texts.h"

namespace zandrel {

namespace {

QLabel* NoteOf(CheckedNumberBox& field, QWidget* parent) {
    auto* note = new QLabel(parent);
    note->setObjectName(field.objectName() + QStringLiteral("Note"));
    field.ExplainIn(note);
    return note;
}

}  // namespace

void ModelWindow::ShowFieldNotes() {
    // The line's and the tube's notes under the row of their fields, the altitude's under it.
    auto* notes = new QVBoxLayout;
    notes->setSpacing(0);
    notes->addWidget(NoteOf(*ui_->z0Box, this));
    notes->addWidget(NoteOf(*ui_->conductorDiameterBox, this));
    ui_->windowLayout->insertLayout(1, notes);
    ui_->passTabLayout->insertWidget(1, NoteOf(*ui_->altitudeBox, ui_->passTab));
}

void ModelWindow::FollowSharedChoices() {
    const bool lhcp =
        Remembered(choices::Polarisation) == Text(PolarisationName(Polarisation::Lhcp));
    const double z0 = Remembered(choices::LineZ0);
    const double conductor = Remembered(choices::ConductorDiameter);
    const bool changed = lhcp != ui_->lhcpButton->isChecked() || z0 != ui_->z0Box->value() ||
                         conductor != ui_->conductorDiameterBox->value();
    if (changed) {
        // One new model for all that changed, and nothing remembered back on the way.
        const QSignalBlocker left(ui_->lhcpButton);
        const QSignalBlocker right(ui_->rhcpButton);
        const QSignalBlocker line(ui_->z0Box);
        const QSignalBlocker tube(ui_->conductorDiameterBox);
        (lhcp ? ui_->lhcpButton : ui_->rhcpButton)->setChecked(true);
        ui_->z0Box->setValue(z0);
        ui_->conductorDiameterBox->setValue(conductor);
    }
    const QString style = Remembered(choices::Style);
    const auto shared = std::find_if(Styles.begin(), Styles.end(), [&style](const StyleEntry& s) {
        return Text(s.Name) == style;
    });
    const int index = static_cast<int>(std::distance(Styles.begin(), shared));
    if (shared != Styles.end() && index != ChosenStyle()) {
        ui_->modelTable->setCurrentIndex(ui_->modelTable->model()->index(RowOfStyle(index), 0));
    }
    if (changed) {
        RunReportingInWords(*this, [this] { Remodel(); });
    }
}

}  // namespace zandrel
