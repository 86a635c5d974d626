#include "model_window.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QPolarChart>
#include <QProcess>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>

#include "error_words.h"
#include "file_error.h"
#include "forms.h"
#include "forms_error.h"
#include "frequency_words.h"
#include "helix_dimensions.h"
#include "model_charts.h"
#include "model_error.h"
#include "model_texts.h"
#include "output_file.h"
#include "ui_model_window.h"

namespace zandrel {

namespace {

const QString ViewerName = QStringLiteral("xnec2c");

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The choices the windows remember between openings and runs, under the program's name.
const QString PolarisationKey = QStringLiteral("polarisation");
const QString StyleKey = QStringLiteral("style");

// The columns of gains in dBic, which show the hand the antenna is modelled for.
constexpr std::string_view GainHeaders[] = {"OVERHEAD GAIN", "GAIN AT HORIZON"};
constexpr int RowPadding = 8;  // pixels a row is taller than its text
constexpr int FewestRowsShown = 3;

// A path as a report quotes it, whole.
QString QuotedPath(const QString& path) { return QStringLiteral("\u201C%1\u201D").arg(path); }

QString DetailSentence(const RuntimeError& error) {
    return QString::fromStdString(DetailOrMessageSentence(error));
}

// Why nothing was modelled when the runs could not start.
QString NotStartedWords(const RuntimeError& error) {
    return DetailSentence(error) + QLatin1Char('\n') + QObject::tr("No style was modelled.");
}

// nec2c's own words about a style it ran, for whoever looks closer: the row's tip and the
// report's details. None when nec2c never saw the style.
QString EngineWords(const StyleModel& model) {
    const bool quoted = model.Geometry && model.Error &&
                        (IsEngineError(*model.Error) || IsNotModellable(*model.Error));
    return quoted ? Text(model.Error->Detail()) : QString();
}

void WriteDeck(const QString& path, const std::string& deck) {
    try {
        WriteOutputFile(QFile::encodeName(path).toStdString(), deck);
    } catch (const FileError& error) {
        throw ModelError(ModelErrorKind::DeckNotWritten, error.Reason());
    }
}

QString DeckFileName(const StyleModel& model, Polarisation sense, const QString& frequencyText) {
    return QStringLiteral("%1-%2MHz-%3.nec")
        .arg(Text(model.Style->Name), frequencyText.trimmed(), Text(PolarisationName(sense)));
}

}  // namespace

ModelWindow::ModelWindow(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::ModelWindow>()) {
    ui_->setupUi(this);
    FinishLoading(*this);

    const QSettings settings;
    if (settings.value(PolarisationKey).toString() == Text(PolarisationName(Polarisation::Lhcp))) {
        ui_->lhcpButton->setChecked(true);
    }
    const QString rememberedStyle = settings.value(StyleKey).toString();
    const auto remembered = std::find_if(Styles.begin(), Styles.end(), [&](const StyleEntry& s) {
        return Text(s.Name) == rememberedStyle;
    });

    QTableWidget& table = *ui_->modelTable;
    table.setColumnCount(static_cast<int>(ModelColumnHeaders.size()));
    QStringList headers;
    for (const std::string_view header : ModelColumnHeaders) {
        headers << Text(header);
    }
    table.setHorizontalHeaderLabels(headers);
    ShowGainHeaders(ui_->lhcpButton->isChecked() ? Polarisation::Lhcp : Polarisation::Rhcp);
    table.setRowCount(static_cast<int>(Styles.size()));
    // Every column as wide as its texts; the table scrolls sideways when the window is narrow.
    table.horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table.horizontalHeader()->setStretchLastSection(true);
    table.verticalHeader()->setDefaultSectionSize(table.fontMetrics().height() + RowPadding);
    for (int row = 0; row < table.rowCount(); ++row) {
        ShowRow(row, {});
    }
    FitTableHeight();
    connect(table.horizontalScrollBar(), &QScrollBar::rangeChanged, this,
            &ModelWindow::FitTableHeight);
    table.setCurrentCell(remembered == Styles.end()
                             ? 0
                             : static_cast<int>(std::distance(Styles.begin(), remembered)),
                         0);
    ui_->progressBar->setMaximum(static_cast<int>(Styles.size()));

    patternChart_ = NewPatternChart();
    sweepChart_ = NewSweepChart();
    // A chart view lets go of the chart it was made with when it is given another.
    const std::unique_ptr<QChart> madeWithPattern(ui_->patternView->chart());
    const std::unique_ptr<QChart> madeWithSweep(ui_->sweepView->chart());
    ui_->patternView->setChart(patternChart_);
    ui_->sweepView->setChart(sweepChart_);
    ui_->patternView->setRenderHint(QPainter::Antialiasing);
    ui_->sweepView->setRenderHint(QPainter::Antialiasing);
    FitOnScreen(*this);

    connect(ui_->lhcpButton, &QRadioButton::toggled, this,
            ReportingErrors(this, &ModelWindow::Remodel, NotStartedWords));
    connect(ui_->lhcpButton, &QRadioButton::toggled, this, &ModelWindow::RememberChoices);
    connect(&table, &QTableWidget::itemSelectionChanged, this,
            ReportingErrors(this, &ModelWindow::ShowSelectedStyle));
    connect(&table, &QTableWidget::itemSelectionChanged, this, &ModelWindow::RememberChoices);
    connect(ui_->saveDeckButton, &QPushButton::clicked, this,
            ReportingErrors(this, &ModelWindow::SaveDeck));
    connect(ui_->openInXnec2cButton, &QPushButton::clicked, this,
            ReportingErrors(this, &ModelWindow::OpenInXnec2c, [](const RuntimeError& error) {
                return tr("xnec2c could not be started: %1").arg(DetailSentence(error));
            }));
    connect(ui_->closeButton, &QPushButton::clicked, this, &QWidget::close);
    // Escape closes the window, as a dialog's Close would.
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this,
            &QWidget::close);
    connect(&runner_, &ModelRunner::StyleFinished, this,
            [this](int index) { RunReportingErrors(*this, [this, index] { ShowStyle(index); }); });
    connect(&runner_, &ModelRunner::AllFinished, this,
            [this] { RunReportingErrors(*this, [this] { ReportFailures(); }); });
    ShowSelectedStyle();
}

ModelWindow::~ModelWindow() = default;

void ModelWindow::Model(const QString& frequencyText) {
    frequencyText_ = frequencyText;
    const QString frequency = frequencyText.trimmed();
    setWindowTitle(frequency.isEmpty() ? tr("NEC-2 model: no frequency given")
                                       : tr("NEC-2 model at %1 MHz").arg(frequency));
    RunReportingErrors(
        *this, [this] { StartRuns(); }, NotStartedWords);
}

void ModelWindow::Remodel() { StartRuns(); }

void ModelWindow::StartRuns() {
    runner_.Cancel();
    modelled_ = false;
    ui_->openInXnec2cButton->setVisible(!QStandardPaths::findExecutable(ViewerName).isEmpty());
    for (int row = 0; row < ui_->modelTable->rowCount(); ++row) {
        ShowRow(row, {tr("modelling...")});
    }
    const Polarisation sense =
        ui_->lhcpButton->isChecked() ? Polarisation::Lhcp : Polarisation::Rhcp;
    ShowGainHeaders(sense);
    modelled_ = true;
    try {
        runner_.Start(frequencyText_.toStdString(), sense);
    } catch (const RuntimeError& error) {
        // The runner keeps its earlier models when nec2c is missing: every row says why not.
        modelled_ = false;
        ShowProgress();
        for (int row = 0; row < ui_->modelTable->rowCount(); ++row) {
            ShowRow(row, {Text(error.Message()) + QLatin1Char('.')}, Text(error.Detail()));
        }
        ShowSelectedStyle();
        throw;
    }
    ShowProgress();
    ShowSelectedStyle();
}

void ModelWindow::FitTableHeight() {
    // Every row, and the sideways scroll bar when the columns need it, and no more; at least
    // a few rows when the window is small.
    QTableWidget& table = *ui_->modelTable;
    const QScrollBar& sideways = *table.horizontalScrollBar();
    const int frame = table.horizontalHeader()->sizeHint().height() + 2 * table.frameWidth() +
                      (sideways.maximum() > 0 ? sideways.sizeHint().height() : 0);
    table.setMaximumHeight(frame + table.verticalHeader()->length());
    table.setMinimumHeight(frame + FewestRowsShown * table.verticalHeader()->defaultSectionSize());
}

void ModelWindow::ShowGainHeaders(Polarisation sense) {
    for (const std::string_view header : GainHeaders) {
        const auto column = std::find(ModelColumnHeaders.begin(), ModelColumnHeaders.end(), header);
        if (column != ModelColumnHeaders.end()) {
            ui_->modelTable->setHorizontalHeaderItem(
                static_cast<int>(std::distance(ModelColumnHeaders.begin(), column)),
                new QTableWidgetItem(
                    QStringLiteral("%1 (%2)").arg(Text(header), Text(PolarisationName(sense)))));
        }
    }
}

void ModelWindow::ShowProgress() {
    const std::vector<StyleModel>& models = runner_.Models();
    const int modelled =
        !modelled_
            ? 0
            : static_cast<int>(std::count_if(models.begin(), models.end(), [](const StyleModel& m) {
                  return m.Figures.has_value();
              }));
    // The bar fills as styles finish; its words count only those that nec2c modelled.
    ui_->progressBar->setValue(modelled_ ? runner_.FinishedCount() : 0);
    ui_->progressBar->setFormat(
        tr("%1 of %2 styles modelled").arg(modelled).arg(ui_->progressBar->maximum()));
}

void ModelWindow::ShowRow(int index, const QStringList& texts, const QString& toolTip) {
    QTableWidget& table = *ui_->modelTable;
    const int columns = table.columnCount();
    if (table.columnSpan(index, 1) > 1) {
        table.setSpan(index, 1, 1, 1);
    }
    auto* style = new QTableWidgetItem(Text(Styles.at(static_cast<std::size_t>(index)).Caption));
    QFont bold = style->font();
    bold.setBold(true);
    style->setFont(bold);
    table.setItem(index, 0, style);
    for (int column = 1; column < columns; ++column) {
        auto* item = new QTableWidgetItem(texts.value(column - 1));
        item->setToolTip(toolTip);
        table.setItem(index, column, item);
    }
    // One text in a row of several columns is a state or an error, over the whole row; it
    // widens no column of figures.
    if (texts.size() == 1 && columns > 2) {
        table.setSpan(index, 1, 1, columns - 1);
        QTableWidgetItem& words = *table.item(index, 1);
        QFont italic = words.font();
        italic.setItalic(true);
        words.setFont(italic);
        words.setData(Qt::SizeHintRole, QSize(0, 0));
    }
}

void ModelWindow::ShowStyle(int index) {
    const StyleModel& model = runner_.Models().at(static_cast<std::size_t>(index));
    if (model.Error) {
        // nec2c's own words are for whoever looks closer: the row's tip and the report's details.
        ShowRow(index, {NotModelledWords(model)}, EngineWords(model));
        ui_->modelTable->item(index, 1)->setForeground(QColor(176, 0, 0));
    } else if (model.Figures) {
        QStringList texts;
        for (const std::string& text : FigureTexts(*model.Figures, runner_.Sense())) {
            texts << QString::fromStdString(text);
        }
        ShowRow(index, texts);
    }
    ShowProgress();
    if (index == ui_->modelTable->currentRow()) {
        ShowSelectedStyle();
    }
}

const StyleModel* ModelWindow::SelectedStyle() const {
    const int row = ui_->modelTable->currentRow();
    if (!modelled_ || row < 0 || row >= static_cast<int>(runner_.Models().size())) {
        return nullptr;
    }
    return &runner_.Models()[static_cast<std::size_t>(row)];
}

void ModelWindow::ShowSelectedStyle() {
    const int row = std::max(0, ui_->modelTable->currentRow());
    const QString caption = Text(Styles.at(static_cast<std::size_t>(row)).Caption);
    const StyleModel* model = SelectedStyle();
    const ModelFigures* figures = model != nullptr && model->Figures ? &*model->Figures : nullptr;
    ShowPattern(*patternChart_, figures != nullptr ? caption : QString(), figures);
    ShowSweep(*sweepChart_, figures != nullptr ? caption : QString(), figures);
    // The deck of a style that failed is no model to keep or to look at.
    const bool hasDeck = model != nullptr && !model->Deck.empty() && !model->Error;
    ui_->saveDeckButton->setEnabled(hasDeck);
    ui_->openInXnec2cButton->setEnabled(hasDeck);
    if (figures != nullptr) {
        ui_->selectionCaption->setText(
            tr("%1: \u03C6 0\u00B0 cuts the small loop's plane, \u03C6 90\u00B0 the large "
               "loop's.")
                .arg(caption));
    } else if (model != nullptr && !model->Finished) {
        ui_->selectionCaption->setText(
            tr("%1: its plots follow when nec2c has modelled it.").arg(caption));
    } else {
        ui_->selectionCaption->setText(tr("%1 was not modelled: nothing to plot.").arg(caption));
    }
}

const StyleModel* ModelWindow::FailureToReport() const {
    const std::vector<StyleModel>& models = runner_.Models();
    const auto first = [&models](auto&& which) -> const StyleModel* {
        const auto found = std::find_if(models.begin(), models.end(), [&which](const auto& m) {
            return m.Error.has_value() && which(m);
        });
        return found == models.end() ? nullptr : &*found;
    };
    // The calculator's word on the frequency first, then nec2c's, then any other style's error.
    if (const StyleModel* rejected = first([](const StyleModel& m) { return !m.Geometry; })) {
        return rejected;
    }
    if (const StyleModel* engine =
            first([](const StyleModel& m) { return IsEngineError(*m.Error); })) {
        return engine;
    }
    return first([](const StyleModel&) { return true; });
}

QString ModelWindow::NotModelledWords(const StyleModel& model) const {
    const RuntimeError& error = *model.Error;
    const QString caption = Text(model.Style->Caption);
    const std::string& typed = runner_.FrequencyText();
    const FrequencyProblem problem = ClassifyFrequencyError(error, typed);
    if (!model.Geometry && problem != FrequencyProblem::Other) {
        return QString::fromStdString(FrequencyProblemReport(problem, typed));
    }
    if (IsNotModellable(error) && !model.Geometry) {
        return QString::fromStdString(CannotBeModelledSentence(QuotedFrequency(typed), error));
    }
    if (IsNotModellable(error)) {
        return tr("nec2c refused the wires of %1: it cannot be modelled at this frequency.")
            .arg(caption);
    }
    if (IsEngineError(error) && model.Geometry) {
        return tr("nec2c failed while modelling %1.").arg(caption);
    }
    if (IsEngineError(error)) {
        return DetailSentence(error);
    }
    return tr("%1 could not be modelled: %2").arg(caption, DetailSentence(error));
}

void ModelWindow::ReportFailures() {
    const StyleModel* failed = FailureToReport();
    if (failed == nullptr) {
        return;
    }
    const std::vector<StyleModel>& models = runner_.Models();
    const bool noneModelled = std::none_of(
        models.begin(), models.end(), [](const StyleModel& m) { return m.Figures.has_value(); });
    const QString outcome = noneModelled
                                ? tr("No style was modelled.")
                                : tr("The styles whose rows show an error were not modelled.");
    // nec2c's own words, when it said any, behind the report's details button.
    ReportRuntimeError(*this, *failed->Error,
                       NotModelledWords(*failed) + QLatin1Char('\n') + outcome,
                       EngineWords(*failed));
}

void ModelWindow::RememberChoices() const {
    QSettings settings;
    settings.setValue(PolarisationKey,
                      Text(PolarisationName(ui_->lhcpButton->isChecked() ? Polarisation::Lhcp
                                                                         : Polarisation::Rhcp)));
    const int row = ui_->modelTable->currentRow();
    if (row >= 0 && row < static_cast<int>(Styles.size())) {
        settings.setValue(StyleKey, Text(Styles.at(static_cast<std::size_t>(row)).Name));
    }
}

void ModelWindow::SaveDeck() {
    const StyleModel* model = SelectedStyle();
    if (model == nullptr || model->Deck.empty()) {
        return;
    }
    auto* dialog =
        new QFileDialog(this, tr("Save NEC deck"), {}, tr("NEC-2 decks (*.nec);;All files (*)"));
    dialog->setObjectName(QStringLiteral("saveDeckDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("nec"));
    dialog->selectFile(DeckFileName(*model, runner_.Sense(), frequencyText_));
    // The deck as it is now: the window may re-model while the dialog is open.
    connect(dialog, &QFileDialog::fileSelected, this,
            [this, deck = model->Deck](const QString& path) {
                RunReportingErrors(
                    *this, [&path, &deck] { WriteDeck(path, deck); },
                    [&path](const RuntimeError& error) {
                        return tr("The deck could not be saved as %1: %2\nNothing was "
                                  "written.")
                            .arg(QuotedPath(path), DetailSentence(error));
                    });
            });
    dialog->open();
}

void ModelWindow::OpenInXnec2c() {
    const StyleModel* model = SelectedStyle();
    if (model == nullptr || model->Deck.empty()) {
        return;
    }
    const QString viewer = QStandardPaths::findExecutable(ViewerName);
    if (viewer.isEmpty()) {
        throw FormsError(FormsErrorKind::FileNotFound, "xnec2c is not on the PATH");
    }
    if (!viewerFolder_ || !viewerFolder_->isValid()) {
        viewerFolder_ = std::make_unique<QTemporaryDir>();
    }
    if (!viewerFolder_->isValid()) {
        throw ModelError(ModelErrorKind::DeckNotWritten,
                         viewerFolder_->errorString().toStdString());
    }
    const QString path =
        viewerFolder_->filePath(DeckFileName(*model, runner_.Sense(), frequencyText_));
    WriteDeck(path, model->Deck);
    if (!QProcess::startDetached(viewer, {QStringLiteral("-i"), path})) {
        throw FormsError(FormsErrorKind::FileNotFound, viewer.toStdString());
    }
}

void ModelWindow::closeEvent(QCloseEvent* event) {
    runner_.Cancel();
    viewerFolder_.reset();
    QWidget::closeEvent(event);
}

DefaultInstance<ModelWindow>& ModelWindowInstance() {
    static DefaultInstance<ModelWindow> instance;
    return instance;
}

}  // namespace zandrel
