// The model window's table: a row for each style and the tuned row, their columns' headers and
// the tips that say what each figure is, and how far each loop may be off.
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>

#include "installation_fields.h"
#include "model_table_rows.h"
#include "model_texts.h"
#include "model_window.h"
#include "model_window_words.h"
#include "ui_model_window.h"

namespace zandrel {

using namespace model_window_words;

namespace {

// The columns of gains in dBic, which show the hand the antenna is modelled for.
constexpr std::string_view GainHeaders[] = {"OVERHEAD GAIN", "GAIN AT HORIZON"};
constexpr int RowPadding = 8;  // pixels a row is taller than its text
constexpr int FewestRowsShown = 3;

// The columns: the INFO table's, the match to the line and how far each loop may be off.
constexpr int FirstLineColumn = static_cast<int>(ModelColumnHeaders.size());
constexpr int SmallLoopColumn = FirstLineColumn + static_cast<int>(LineColumnHeaders.size());
constexpr int LargeLoopColumn = SmallLoopColumn + 1;
constexpr int ColumnCount = LargeLoopColumn + 1;

// What each column's figure is, by column, for its header's tip. %1 is the line's impedance.
QStringList ColumnDefinitions() {
    const QString tolerance =
        QObject::tr(
            "How far the %1 loop's perimeter may be from the row's (the calculator's, or the tuned "
            "one) and keep the resonance within 1 % of where it is: 1 % of the resonance divided "
            "by how far the resonance moves per millimetre of the loop, found in nec2c by making "
            "the loop %2 % larger (its helix radius and height)")
            .arg(QStringLiteral("%1"), QString::number(SensitivityStep * 100.0));
    return {
        QObject::tr("The calculator's style, modelled from its single-precision values, which "
                    "the main window's boxes show rounded to hundredths"),
        QObject::tr("The impedance R + jX at the feed at the design frequency, the two loops in "
                    "parallel, in ohm"),
        QObject::tr("The designer's matching: one part in series that cancels X at the design "
                    "frequency; it does not turn R into the line's impedance"),
        QObject::tr("The circular gain straight up, at the zenith, in the hand named, in dBic "
                    "(the maximum gain is total gain, in dBi)"),
        QObject::tr("The circular gain at elevation 0, the power mean over azimuth, in the hand "
                    "named, in dBic"),
        QObject::tr("The band of SWR 2 with the matching part in series, against R at the "
                    "design frequency, not against a line; \u201C>\u201D where an edge lies "
                    "beyond the sweep"),
        QObject::tr("Where X crosses zero in the sweep, and R there"),
        QObject::tr("The total gain at the zenith less the total gain at the nadir, in dB"),
        QObject::tr("The axial ratio of the field at the zenith, in dB: 0 dB is perfectly "
                    "circular"),
        QObject::tr("The phase of the large loop's current relative to the small loop's, and "
                    "the ratio of their magnitudes, from nec2c's source currents at the design "
                    "frequency: 90\u00B0 with a ratio of 1 gives circular polarisation"),
        QObject::tr("The SWR on a %1 ohm line with nothing fitted, at the design frequency"),
        QObject::tr("Two ideal parts that match the antenna exactly to %1 ohm at the design "
                    "frequency: a part in series and a part across the antenna's terminals or "
                    "across the line; the low-pass network (series inductor, shunt capacitor) "
                    "where there is one"),
        QObject::tr("The band of SWR 2 on %1 ohm through the L-network, each part's reactance "
                    "following frequency; \u201C>\u201D where an edge lies beyond the sweep"),
        QObject::tr("A quarter-wave transformer after the matching part has cancelled X: the "
                    "line impedance sqrt(%1 x R) that would match exactly, the nearest of 50, 75 "
                    "and 93 ohm coax, the section's length for velocity factor %2 (solid "
                    "polyethylene) and the SWR on %1 ohm that it gives")
            .arg(QStringLiteral("%1"),
                 QString::fromStdString(Fixed(SolidPolyethyleneVelocityFactor, 2))),
        tolerance.arg(QObject::tr("small")),
        tolerance.arg(QObject::tr("large")),
    };
}

}  // namespace

void ModelWindow::SetUpTable(int row) {
    rows_ = new ModelTableRows(static_cast<int>(Styles.size()), ColumnCount, this);
    QTableView& table = *ui_->modelTable;
    table.setModel(rows_);
    connect(rows_, &ModelTableRows::SpansChanged, this, &ModelWindow::ShowSpans);
    ShowHeaders(ui_->lhcpButton->isChecked() ? Polarisation::Lhcp : Polarisation::Rhcp,
                ui_->z0Box->value());
    // Every column as wide as its texts, the last one too; the table scrolls sideways when the
    // window is narrow.
    table.horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table.horizontalHeader()->setStretchLastSection(false);
    table.verticalHeader()->setDefaultSectionSize(table.fontMetrics().height() + RowPadding);
    for (int style = 0; style < static_cast<int>(Styles.size()); ++style) {
        ShowRow(style, {});
    }
    FitTableHeight();
    connect(table.horizontalScrollBar(), &QScrollBar::rangeChanged, this,
            &ModelWindow::FitTableHeight);
    table.setCurrentIndex(rows_->index(row, 0));
}

void ModelWindow::FitTableHeight() {
    // Every row, and the sideways scroll bar when the columns need it, and no more; at least
    // a few rows when the window is small.
    QTableView& table = *ui_->modelTable;
    const QScrollBar& sideways = *table.horizontalScrollBar();
    const int frame = table.horizontalHeader()->sizeHint().height() + 2 * table.frameWidth() +
                      (sideways.maximum() > 0 ? sideways.sizeHint().height() : 0);
    table.setMaximumHeight(frame + table.verticalHeader()->length());
    table.setMinimumHeight(frame + FewestRowsShown * table.verticalHeader()->defaultSectionSize());
}

void ModelWindow::ShowHeaders(Polarisation sense, double z0Ohm) {
    QStringList headers;
    const bool overGround = installation_->Chosen().HasGround();
    for (std::size_t column = 0; column < ModelColumnHeaders.size(); ++column) {
        const std::string_view header = ModelColumnHeaders[column];
        const bool gain = std::find(std::begin(GainHeaders), std::end(GainHeaders), header) !=
                          std::end(GainHeaders);
        const QString text = QString::fromStdString(ModelColumnHeader(column, overGround));
        headers << (gain ? QStringLiteral("%1 (%2)").arg(text, Text(PolarisationName(sense)))
                         : text);
    }
    for (const std::string_view header : LineColumnHeaders) {
        headers << QString::fromStdString(LineColumnHeader(header, z0Ohm));
    }
    headers << tr("SMALL LOOP LENGTH") << tr("LARGE LOOP LENGTH");
    const QStringList definitions = ColumnDefinitions();
    const QString z0 = QString::number(z0Ohm);
    QStringList tips;
    for (QString definition : definitions) {
        definition = definition.contains(QLatin1String("%1")) ? definition.arg(z0) : definition;
        // As rich text the tip wraps, however long the definition.
        tips << QStringLiteral("<p>%1</p>").arg(definition.toHtmlEscaped());
    }
    rows_->SetHeaders(headers, tips);
}

void ModelWindow::ShowRow(int styleIndex, const QStringList& texts, const QString& toolTip,
                          bool failed) {
    rows_->ShowStyle(styleIndex, Text(Styles.at(static_cast<std::size_t>(styleIndex)).Caption),
                     texts, toolTip, failed);
}

void ModelWindow::ShowSpans() {
    // One text in a row of several columns is a state or an error, over the whole row.
    QTableView& table = *ui_->modelTable;
    table.clearSpans();
    for (int row = 0; row < rows_->rowCount(); ++row) {
        if (rows_->IsSpanned(row)) {
            table.setSpan(row, 1, 1, ColumnCount - 1);
        }
    }
}

void ModelWindow::ShowSensitivity(int key) {
    const SensitivityRunner::Outcome* outcome = sensitivity_.OutcomeOf(key);
    const ModelFigures* figures = nullptr;
    int row = 0;
    if (key >= TunedSensitivityKey(0)) {
        // An earlier tuning's answers no more.
        if (tuned_ && TunedSensitivityKey(tuned_->Index) == key && rows_->TunedRow()) {
            figures = &tuned_->Figures;
            row = *rows_->TunedRow();
        }
    } else if (const StyleModel& model = runner_.Models().at(static_cast<std::size_t>(key));
               model.Figures) {
        figures = &*model.Figures;
        row = RowOfStyle(key);
    }
    if (outcome == nullptr || figures == nullptr) {
        return;
    }
    const std::optional<double> resonance = figures->ResonanceMHz;
    for (const int column : {SmallLoopColumn, LargeLoopColumn}) {
        if (outcome->Sensitivity) {
            const ResonanceSensitivity& found = *outcome->Sensitivity;
            rows_->ShowCell(
                row, column,
                QString::fromStdString(ResonanceToleranceText(
                    column == SmallLoopColumn ? found.SmallMHzPerMm : found.LargeMHzPerMm,
                    resonance)));
        } else {
            rows_->ShowCell(row, column, tr("not modelled"),
                            tr("nec2c could not model the loop's change: %1")
                                .arg(outcome->Error ? DetailSentence(*outcome->Error) : QString()));
        }
    }
}

QStringList ModelWindow::RowTextsOf(const ModelFigures& figures) const {
    QStringList texts;
    for (const std::string& text : FigureTexts(figures, runner_.Sense())) {
        texts << QString::fromStdString(text);
    }
    texts << QString::fromStdString(PhasingText(figures.Phasing));
    for (const std::string& text : LineMatchTexts(figures)) {
        texts << QString::fromStdString(text);
    }
    return texts;
}

int ModelWindow::RowOfStyle(int index) const { return rows_->RowOfStyle(index); }

int ModelWindow::ChosenRow() const { return ui_->modelTable->currentIndex().row(); }

int ModelWindow::ChosenStyle() const {
    const int row = ChosenRow();
    return row < 0 ? row : rows_->StyleOfRow(row);
}

}  // namespace zandrel
