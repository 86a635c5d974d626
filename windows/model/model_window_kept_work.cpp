// The model window's share in what a builder made of a style: the tuned row and its panel, the
// measurement's trim advice, kept across new models and shown with the row they belong to.
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QStringList>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBlock>

#include "escape_undoes_edit.h"
#include "frozen_first_column.h"
#include "model_table_rows.h"
#include "model_window.h"
#include "model_window_words.h"
#include "tune_texts.h"
#include "ui_model_window.h"

namespace zandrel {

using namespace model_window_words;

namespace {

QString Caption(int styleIndex) {
    return Text(Styles.at(static_cast<std::size_t>(styleIndex)).Caption);
}

// How the trim advice asks for what it needs, in this window's terms.
const TrimHints WindowHints{
    "choose it under \"Tube or wire\"",
    "open each file with \"Open measurement...\", choosing \"of the small loop alone\" and "
    "\"of the large loop alone\" beside it",
    "take it off with zandrel2-dims --trim --cable-length"};

// Pixels a row of the tuned dimensions is taller than its text.
constexpr int DimensionRowPadding = 6;

QString DeckFileName(const StyleEntry& style, Polarisation sense, const QString& frequencyText) {
    return QStringLiteral("%1-%2MHz-%3.nec")
        .arg(Text(style.Name), frequencyText.trimmed(), Text(PolarisationName(sense)));
}

}  // namespace

void ModelWindow::SetUpTablesAndPanels() {
    // The eleven tuned dimensions take a tab beside the plots, where they fit whole and leave
    // the pane beside the sweep to the trim advice.
    QTableWidget& dimensions = *ui_->tunedDimensionsTable;
    ui_->plotTabs->addTab(&dimensions, tr("Tuned &dimensions"));
    ui_->plotTabs->setTabVisible(ui_->plotTabs->indexOf(&dimensions), false);
    dimensions.verticalHeader()->setDefaultSectionSize(dimensions.fontMetrics().height() +
                                                       DimensionRowPadding);
    ui_->adviceText->hide();
    ui_->tunedCaption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    new FrozenFirstColumn(*ui_->modelTable);
    new EscapeUndoesEdit(*this);
    ui_->modelTable->setStyleSheet(
        QStringLiteral("#modelTable:focus { border: 2px solid palette(highlight); }"));
}

void ModelWindow::KeepWork(Polarisation sense, const ModelSettings& settings) {
    // Another frequency or sense is another antenna: its tuning answers it no more.
    const std::string frequency = frequencyText_.toStdString();
    const auto sameAntenna = [&](const LoopDesign& design) {
        return design.FrequencyText == frequency && design.Sense == sense;
    };
    if (tuned_ && !sameAntenna(tuned_->Design)) {
        const QSignalBlocker quiet(ui_->modelTable->selectionModel());
        rows_->RemoveTuned();
        tuned_.reset();
    }
    if (tuned_) {
        // The same loops on another line need no new run; how far they may be off is found
        // again, the runs before having been stopped with the styles'.
        try {
            tuned_->Figures = MatchedToLine(*tuned_, settings.Line);
        } catch (const RuntimeError&) {
            // No match can be made to this line: the row keeps the match it had, as the
            // styles' rows say why theirs cannot be made.
        }
        ShowTuned();
        sensitivity_.Start(TunedSensitivityKey(tuned_->Index), tuned_->Design, tuned_->Figures,
                           tuned_->Result.Scales);
    }
    // The measurement stays; its fit follows the new model of its style when that is in, and
    // a fit stopped before it ended is made then.
    if (trim_) {
        const LoopDesign now{trim_->Design.Style, frequency, sense,
                             settings.Geometry.ConductorDiameterMm, settings.Geometry.Install};
        refitDue_ = !SameAntenna(trim_->Design, now);
        if (!sameAntenna(trim_->Design)) {
            trim_.reset();
        }
    } else {
        refitDue_ = !measured_.empty();
    }
    ShowAdvice();
}

void ModelWindow::CatchUp() {
    if (refitDue_ && !working_ && !measured_.empty()) {
        StartFit();
    }
}

bool ModelWindow::TunedRowChosen() const { return tuned_ && rows_->IsTunedRow(ChosenRow()); }

std::pair<QString, std::string> ModelWindow::ChosenDeck() const {
    if (TunedRowChosen()) {
        return {TunedFileStem(*tuned_) +
                    QStringLiteral("-%1.nec").arg(Text(PolarisationName(tuned_->Design.Sense))),
                TunedDeck(*tuned_)};
    }
    // The deck of a style that failed is no model to keep or to look at.
    const StyleModel* model = SelectedStyle();
    if (model == nullptr || model->Deck.empty() || model->Error) {
        return {};
    }
    return {DeckFileName(*model->Style, runner_.Sense(), frequencyText_), model->Deck};
}

void ModelWindow::ShowTuned() {
    QTableWidget& dimensions = *ui_->tunedDimensionsTable;
    if (!tuned_) {
        dimensions.clear();
        ShowPanels();
        return;
    }
    const TunedStyle& tuned = *tuned_;
    // The tuned row, under its style's, in the same columns; what it no longer answers, said.
    // How far the tuned loops may be off follows, as the styles' does.
    const QString outdated = OutdatedTuningWords(tuned, ChosenSettings());
    rows_->ShowTuned(tuned.Index,
                     outdated.isEmpty() ? TunedRowCaption(tuned)
                                        : tr("%1: %2").arg(TunedRowCaption(tuned), outdated),
                     outdated,
                     RowTextsOf(tuned.Figures) << tr("modelling...") << tr("modelling..."));

    const auto rows = BuilderDimensionRows(tuned.Calculator, tuned.Result.Dimensions);
    dimensions.clear();
    dimensions.setColumnCount(static_cast<int>(rows.front().size()));
    dimensions.setRowCount(static_cast<int>(rows.size()) - 1);
    QStringList headers;
    for (const std::string& header : rows.front()) {
        headers << Lines(header);
    }
    dimensions.setHorizontalHeaderLabels(headers);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        for (std::size_t j = 0; j < rows[i].size(); ++j) {
            auto* item = new QTableWidgetItem(Lines(rows[i][j]));
            if (j > 0) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            dimensions.setItem(static_cast<int>(i) - 1, static_cast<int>(j), item);
        }
    }
    dimensions.resizeColumnsToContents();
    ShowPanels();
}

void ModelWindow::ShowAdvice() {
    QPlainTextEdit& advice = *ui_->adviceText;
    if (!trim_ || measured_.empty()) {
        advice.clear();
        ShowPanels();
        return;
    }
    const TrimShown& trim = *trim_;
    const bool toTuned = trim.Advice.Target.Small != 1.0 || trim.Advice.Target.Large != 1.0;
    const std::string frequency =
        QString::fromStdString(trim.Design.FrequencyText).trimmed().toStdString();
    QStringList measured;
    for (const PartMeasurement& part : measured_) {
        measured << Lines(MeasuredSentence(part));
    }
    const QString refitting =
        refitDue_ ? tr("Fitted to the model before the tube or installation changed: it is fitted "
                       "again when the new model is in.\n")
                  : QString();
    advice.setPlainText(
        refitting +
        tr("Trim for %1 at %2 MHz, %3, to reach %4\n%5\n%6")
            .arg(Caption(trim.Index), QString::fromStdString(frequency),
                 Text(PolarisationName(trim.Design.Sense)),
                 toTuned ? tr("the tuned loops") : tr("the calculator's design"),
                 measured.join(QLatin1Char('\n')),
                 Lines(TrimAdviceText(trim.Fit, trim.Advice, TrimAssumed(trim, frequency, toTuned),
                                      WindowHints))));
    ShowPanels();
    // Once the pane's layout has taken the new words in.
    QMetaObject::invokeMethod(this, &ModelWindow::ShowCuts, Qt::QueuedConnection);
}

void ModelWindow::ShowCuts() {
    // The cuts in sight at once, with as much as fits of what the advice assumed above them.
    QPlainTextEdit& advice = *ui_->adviceText;
    const QRegularExpression cutLine(QStringLiteral("^The (small|large) loop is"));
    const QTextCursor first = advice.document()->find(cutLine);
    if (first.isNull()) {
        return;
    }
    QTextCursor last = first;
    for (QTextCursor next = first; !next.isNull(); next = advice.document()->find(cutLine, next)) {
        last = next;
    }
    last.movePosition(QTextCursor::EndOfBlock);
    advice.moveCursor(QTextCursor::Start);
    advice.setTextCursor(last);
    advice.ensureCursorVisible();
    advice.setTextCursor(QTextCursor(first.block()));
    advice.ensureCursorVisible();
}

TrimAssumptions ModelWindow::TrimAssumed(const TrimShown& trim, const std::string& frequency,
                                         bool toTuned) const {
    TrimAssumptions assumed;
    assumed.FrequencyText = frequency;
    assumed.Sense = trim.Design.Sense;
    assumed.ConductorDiameterMm = trim.Design.ConductorDiameterMm;
    LoopDesign calculators = trim.Design;
    calculators.ConductorDiameterMm.reset();
    assumed.CalculatorTubeMm =
        static_cast<double>(BuildScaledGeometry(calculators, {}).Dimensions.TubeDiameter);
    assumed.ToTuned = toTuned;
    return assumed;
}

void ModelWindow::ShowPanels() {
    // The tuned panel and the advice show beside their own style's rows only; another style's
    // are named, so that nothing kept is out of sight.
    const int chosen = ChosenStyle();
    const bool tunedHere = tuned_ && tuned_->Index == chosen;
    const bool measuredHere = !measured_.empty() && measuredStyle_ == chosen;
    const bool adviceHere = measuredHere && trim_ && trim_->Index == chosen;
    QStringList words;
    if (tunedHere) {
        const TunedStyle& tuned = *tuned_;
        const QString outdated = OutdatedTuningWords(tuned, ChosenSettings());
        words << tr("Tuned in NEC-2 %1: %2 at %3 MHz, %4%5\n%6")
                     .arg(tuned.Objective, Caption(tuned.Index),
                          QString::fromStdString(tuned.Design.FrequencyText).trimmed(),
                          Text(PolarisationName(tuned.Design.Sense)),
                          outdated.isEmpty() ? QString() : tr("; %1").arg(outdated),
                          Lines(tuned.Sentences));
    }
    QStringList elsewhere;
    if (tuned_ && !tunedHere) {
        elsewhere << tr("%1 keeps its tuned loops").arg(Caption(tuned_->Index));
    }
    if (!measured_.empty() && !measuredHere) {
        elsewhere << tr("%1 keeps its measurement%2")
                         .arg(Caption(measuredStyle_),
                              trim_ ? tr(" and its trim advice") : QString());
    }
    if (!elsewhere.isEmpty()) {
        words << tr("%1: choose its row to see them.").arg(elsewhere.join(tr("; ")));
    }
    // The advice's room changes with the words above it: its cuts are brought into sight again.
    const QString caption = words.join(QLatin1Char('\n'));
    const bool moved = caption != ui_->tunedCaption->text() || ui_->adviceText->isHidden();
    ui_->tunedCaption->setText(caption);
    ui_->tunedCaption->setEnabled(tunedHere || adviceHere);
    QTabWidget& tabs = *ui_->plotTabs;
    tabs.setTabVisible(tabs.indexOf(ui_->tunedDimensionsTable), tunedHere);
    ui_->adviceText->setVisible(adviceHere);
    ui_->resultsPane->setVisible(!words.isEmpty() || adviceHere);
    if (adviceHere && moved) {
        QMetaObject::invokeMethod(this, &ModelWindow::ShowCuts, Qt::QueuedConnection);
    }
}

}  // namespace zandrel
