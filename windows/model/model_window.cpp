#include "model_window.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QPolarChart>
#include <QProcess>
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

// An error as a row of the table shows it, as zandrel2-dims --model prints it, with the
// detail after it.
QString RowError(const RuntimeError& error) {
    QString words = QString::fromStdString(ErrorPhrase(error));
    if (!error.Detail().empty()) {
        words += QStringLiteral(" \u2014 ") + Text(error.Detail()).simplified();
    }
    return words;
}

// A path as a report quotes it, whole.
QString QuotedPath(const QString& path) { return QStringLiteral("\u201C%1\u201D").arg(path); }

QString DetailSentence(const RuntimeError& error) {
    return QString::fromStdString(DetailOrMessageSentence(error));
}

// Why nothing was modelled when the runs could not start.
QString NotStartedWords(const RuntimeError& error) {
    return DetailSentence(error) + QLatin1Char('\n') + QObject::tr("No style was modelled.");
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

    QTableWidget& table = *ui_->modelTable;
    table.setColumnCount(static_cast<int>(ModelColumnHeaders.size()));
    QStringList headers;
    for (const std::string_view header : ModelColumnHeaders) {
        headers << Text(header);
    }
    table.setHorizontalHeaderLabels(headers);
    table.setRowCount(static_cast<int>(Styles.size()));
    table.horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table.horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    for (int row = 0; row < table.rowCount(); ++row) {
        ShowRow(row, {});
    }
    table.setFixedHeight(table.horizontalHeader()->height() + table.verticalHeader()->length() +
                         2 * table.frameWidth());
    table.setCurrentCell(0, 0);
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

    connect(ui_->lhcpButton, &QRadioButton::toggled, this,
            ReportingErrors(this, &ModelWindow::Remodel, NotStartedWords));
    connect(&table, &QTableWidget::itemSelectionChanged, this,
            ReportingErrors(this, &ModelWindow::ShowSelectedStyle));
    connect(ui_->saveDeckButton, &QPushButton::clicked, this,
            ReportingErrors(this, &ModelWindow::SaveDeck));
    connect(ui_->openInXnec2cButton, &QPushButton::clicked, this,
            ReportingErrors(this, &ModelWindow::OpenInXnec2c, [](const RuntimeError& error) {
                return tr("xnec2c could not be started: %1").arg(DetailSentence(error));
            }));
    connect(ui_->closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(&runner_, &ModelRunner::StyleFinished, this,
            [this](int index) { RunReportingErrors(*this, [this, index] { ShowStyle(index); }); });
    connect(&runner_, &ModelRunner::AllFinished, this,
            ReportingErrors(this, &ModelWindow::ReportFailures,
                            [this](const RuntimeError&) { return ExplainFailure(); }));
    ShowSelectedStyle();
}

ModelWindow::~ModelWindow() = default;

void ModelWindow::Model(const QString& frequencyText) {
    frequencyText_ = frequencyText;
    setWindowTitle(tr("NEC-2 model at %1 MHz").arg(frequencyText));
    RunReportingErrors(
        *this, [this] { StartRuns(); }, NotStartedWords);
}

void ModelWindow::Remodel() { StartRuns(); }

void ModelWindow::StartRuns() {
    runner_.Cancel();
    modelled_ = false;
    ui_->progressBar->setValue(0);
    ui_->progressBar->setFormat(tr("%v of %m styles modelled"));
    ui_->openInXnec2cButton->setVisible(!QStandardPaths::findExecutable(ViewerName).isEmpty());
    for (int row = 0; row < ui_->modelTable->rowCount(); ++row) {
        ShowRow(row, {tr("modelling...")});
    }
    const Polarisation sense =
        ui_->lhcpButton->isChecked() ? Polarisation::Lhcp : Polarisation::Rhcp;
    modelled_ = true;
    try {
        runner_.Start(frequencyText_.toStdString(), sense);
    } catch (const RuntimeError& error) {
        // The runner keeps its earlier models when nec2c is missing: every row says why not.
        modelled_ = false;
        ui_->progressBar->setFormat(tr("not modelled"));
        for (int row = 0; row < ui_->modelTable->rowCount(); ++row) {
            ShowRow(row, {RowError(error)}, Text(error.Detail()));
        }
        ShowSelectedStyle();
        throw;
    }
    ShowSelectedStyle();
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
    // One text in a row of several columns is a state or an error, over the whole row.
    if (texts.size() == 1 && columns > 2) {
        table.setSpan(index, 1, 1, columns - 1);
        QFont italic = table.item(index, 1)->font();
        italic.setItalic(true);
        table.item(index, 1)->setFont(italic);
    }
}

void ModelWindow::ShowStyle(int index) {
    const StyleModel& model = runner_.Models().at(static_cast<std::size_t>(index));
    if (model.Error) {
        ShowRow(index, {RowError(*model.Error)}, Text(model.Error->Detail()));
        ui_->modelTable->item(index, 1)->setForeground(QColor(176, 0, 0));
    } else if (model.Figures) {
        QStringList texts;
        for (const std::string& text : FigureTexts(*model.Figures, runner_.Sense())) {
            texts << QString::fromStdString(text);
        }
        ShowRow(index, texts);
    }
    ui_->progressBar->setValue(runner_.FinishedCount());
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
    ShowPattern(*patternChart_, caption, figures);
    ShowSweep(*sweepChart_, caption, figures);
    const bool hasDeck = model != nullptr && !model->Deck.empty();
    ui_->saveDeckButton->setEnabled(hasDeck);
    ui_->openInXnec2cButton->setEnabled(hasDeck);
    ui_->selectionCaption->setText(
        tr("%1: \u03C6 0\u00B0 cuts the small loop's plane, \u03C6 90\u00B0 the large loop's.")
            .arg(caption));
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

void ModelWindow::ReportFailures() {
    if (const StyleModel* failed = FailureToReport()) {
        throw *failed->Error;
    }
}

QString ModelWindow::ExplainFailure() const {
    const StyleModel* failed = FailureToReport();
    if (failed == nullptr) {
        return {};
    }
    const QString caption = Text(failed->Style->Caption);
    const std::vector<StyleModel>& models = runner_.Models();
    const bool noneModelled = std::none_of(
        models.begin(), models.end(), [](const StyleModel& m) { return m.Figures.has_value(); });
    const QString outcome = noneModelled
                                ? tr("No style was modelled.")
                                : tr("The styles whose rows show an error were not modelled.");
    const std::string& typed = runner_.FrequencyText();
    const FrequencyProblem problem = ClassifyFrequencyError(*failed->Error, typed);
    if (!failed->Geometry && problem != FrequencyProblem::Other) {
        return QString::fromStdString(FrequencyProblemReport(problem, typed)) + QLatin1Char('\n') +
               outcome;
    }
    if (IsEngineError(*failed->Error)) {
        return tr("nec2c failed while modelling %1. %2")
                   .arg(caption, DetailSentence(*failed->Error)) +
               QLatin1Char('\n') + outcome;
    }
    return tr("%1 could not be modelled: %2").arg(caption, DetailSentence(*failed->Error)) +
           QLatin1Char('\n') + outcome;
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

void ShowModelWindow(const QString& frequencyText) {
    DefaultInstance<ModelWindow>& instance = ModelWindowInstance();
    instance.Show();
    instance.Get().Model(frequencyText);
}

}  // namespace zandrel
