// The model window's files: the deck saved or opened in the viewer, and the model's Touchstone
// file.
#include <QFile>
#include <QFileDialog>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "file_error.h"
#include "forms_error.h"
#include "model_error.h"
#include "model_window.h"
#include "model_window_words.h"
#include "one_port.h"
#include "output_file.h"
#include "scaled_models.h"
#include "tune_texts.h"
#include "ui_model_window.h"
#include "window_reports.h"

namespace zandrel {

using namespace model_window_words;

namespace {

void WriteDeck(const QString& path, const std::string& deck) {
    try {
        WriteOutputFile(QFile::encodeName(path).toStdString(), deck);
    } catch (const FileError& error) {
        throw ModelError(ModelErrorKind::DeckNotWritten, error.Reason());
    }
}

QString TouchstoneFileName(const StyleEntry& style, const std::string& frequencyText) {
    return QStringLiteral("%1-%2MHz.s1p")
        .arg(Text(style.Name), QString::fromStdString(frequencyText).trimmed());
}

}  // namespace

void ModelWindow::SaveDeck() {
    const auto [name, deck] = ChosenDeck();
    if (deck.empty()) {
        return;
    }
    auto* dialog =
        new QFileDialog(this, tr("Save NEC deck"), {}, tr("NEC-2 decks (*.nec);;All files (*)"));
    dialog->setObjectName(QStringLiteral("saveDeckDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("nec"));
    dialog->selectFile(name);
    // The deck as it is now: the window may re-model while the dialog is open.
    connect(dialog, &QFileDialog::fileSelected, this,
            [this, deck](const QString& path) {
                RunReportingInWords(
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
    const auto [name, deck] = ChosenDeck();
    if (deck.empty()) {
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
    const QString path = viewerFolder_->filePath(name);
    WriteDeck(path, deck);
    if (!QProcess::startDetached(viewer, {QStringLiteral("-i"), path})) {
        throw FormsError(FormsErrorKind::FileNotFound, viewer.toStdString());
    }
}

void ModelWindow::SaveTouchstone() {
    const StyleModel* model = SelectedStyle();
    const bool tunedRow = TunedRowChosen();
    if (!tunedRow && (model == nullptr || !model->Figures)) {
        return;
    }
    auto* dialog = new QFileDialog(this, tr("Save Touchstone file"), {},
                                   tr("Touchstone files (*.s1p);;All files (*)"));
    dialog->setObjectName(QStringLiteral("saveTouchstoneDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("s1p"));
    // The S11 that --touchstone writes, of the antenna the row models (the tuned loops on the
    // tuned row), on its line's Z0.
    LoopDesign design = tunedRow ? tuned_->Design : DesignOf(ChosenStyle());
    design.Sense = Polarisation::Rhcp;
    const LoopScales scales = tunedRow ? tuned_->Result.Scales : LoopScales{};
    const std::string caption =
        (tunedRow ? TunedRowCaption(*tuned_) : Text(design.Style->Caption)).toStdString();
    const double reference = runner_.Settings().Line.Z0Ohm;
    dialog->selectFile(tunedRow ? TunedFileStem(*tuned_) + QStringLiteral(".s1p")
                                : TouchstoneFileName(*design.Style, design.FrequencyText));
    connect(dialog, &QFileDialog::fileSelected, this,
            [this, design, scales, caption, reference](const QString& path) {
                RunReportingInWords(*this, [this, design, scales, caption, reference, path] {
                    StartWork(
                        tr("Modelling the S11 of %1 in nec2c").arg(Lines(caption)),
                        [design, scales, reference](const DeckEvaluator& evaluate) {
                            WorkOutcome outcome;
                            const double frequency = BuildScaledGeometry(design, {}).FrequencyMHz;
                            outcome.ModelS11 = ModelMeasurement(
                                design, scales, SpreadFrequencies(frequency), reference, evaluate);
                            return outcome;
                        },
                        [this, design, caption, reference, path](const WorkOutcome& outcome) {
                            RunReportingInWords(
                                *this,
                                [&] {
                                    WriteOutputFile(
                                        QFile::encodeName(path).toStdString(),
                                        WriteTouchstone(
                                            *outcome.ModelS11,
                                            TouchstoneComments(caption, design.FrequencyText,
                                                               reference,
                                                               design.ConductorDiameterMm)));
                                },
                                [&path](const RuntimeError& error) {
                                    // The path is said once, by the report.
                                    const auto* file = dynamic_cast<const FileError*>(&error);
                                    return tr("The Touchstone file could not be saved as %1: "
                                              "%2\nNothing "
                                              "was written.")
                                        .arg(QuotedPath(path), file != nullptr
                                                                   ? Text(file->Reason() + ".")
                                                                   : DetailSentence(error));
                                });
                        });
                });
            });
    dialog->open();
}

}  // namespace zandrel
