#include "window_reports.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <new>

#include "file_error.h"
#include "forms_error.h"
#include "measurement_error.h"
#include "model_error.h"
#include "runtime_error.h"
#include "sheet_error.h"
#include "tune_error.h"

namespace zandrel {

QString TechnicalDetails(const RuntimeError& error, const QString& more) {
    QStringList lines{QObject::tr("Error %1: %2")
                          .arg(error.Number())
                          .arg(QString::fromStdString(error.Message()))};
    if (!error.Detail().empty()) {
        lines << QString::fromStdString(error.Detail());
    }
    if (!more.isEmpty()) {
        lines << more;
    }
    return lines.join(QLatin1Char('\n'));
}

QString WhatToDo(const RuntimeError& error) {
    const QString saveElsewhere =
        QObject::tr("Choose a folder you can write to, or another name, and save again.");
    const QString checkTheFile =
        QObject::tr("Check that the file is the VNA's Touchstone (.s1p) or CSV export of this "
                    "antenna, or measure again.");
    const QString tryAgain = QObject::tr(
        "Try again; if it fails again, Show Details gives what nec2c and the program said.");
    if (error.Is(FileErrorKind::NotWritable) || error.Is(SheetErrorKind::FileNotWritable) ||
        error.Is(ModelErrorKind::DeckNotWritten) ||
        error.Is(MeasurementErrorKind::FileNotWritten)) {
        return saveElsewhere;
    }
    if (error.Is(MeasurementErrorKind::FileNotOpened) ||
        error.Is(MeasurementErrorKind::Unreadable) || error.Is(TuneErrorKind::NotAMeasurement)) {
        return checkTheFile;
    }
    if (error.Is(TuneErrorKind::MeasurementOutOfBand)) {
        return QObject::tr("Measure again over a band around the design frequency.");
    }
    if (error.Is(ModelErrorKind::EngineFailed) || error.Is(ModelErrorKind::OutputUnreadable) ||
        error.Is(TuneErrorKind::OptimiserFailed)) {
        return tryAgain;
    }
    if (error.Is(ModelErrorKind::NotModellable)) {
        return QObject::tr("Choose a thinner tube or wire, or a frequency in the satellite "
                           "bands, and the styles are modelled again.");
    }
    if (error.Is(ModelErrorKind::BendDoesNotFit)) {
        return QObject::tr("Choose a smaller bend radius, or sharp corners.");
    }
    if (error.Is(SheetErrorKind::MastDoesNotFit) ||
        error.Is(SheetErrorKind::MastDiameterNotValid)) {
        return QObject::tr("Choose a mast diameter in the range shown under the field.");
    }
    if (error.Is(FormsErrorKind::PrinterError)) {
        return QObject::tr("Check the printer, or save the sheet as a PDF and print it "
                           "elsewhere.");
    }
    return {};
}

void ReportInWords(QWidget& window, const RuntimeError& error, const QString& words,
                   const QString& more) {
    auto* report = new QMessageBox(QMessageBox::Warning, QApplication::applicationName(), words,
                                   QMessageBox::Ok, &window);
    report->setObjectName(RuntimeErrorReportName);
    // What the user typed is quoted in the words: it must never be read as markup.
    report->setTextFormat(Qt::PlainText);
    report->setInformativeText(WhatToDo(error));
    if (auto* advice = report->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
        advice->setTextFormat(Qt::PlainText);
    }
    report->setDetailedText(TechnicalDetails(error, more));
    report->setAttribute(Qt::WA_DeleteOnClose);
    report->open();
}

void RunReportingInWords(QWidget& window, const std::function<void()>& handler,
                         const ErrorWording& wording) {
    try {
        handler();
    } catch (const RuntimeError& error) {
        QString words = wording ? wording(error) : DetailAsSentence(error);
        if (words.isEmpty()) {
            words = QString::fromStdString(error.Message()) + QLatin1Char('.');
        }
        ReportInWords(window, error, words);
    } catch (const std::bad_alloc&) {
        ReportInWords(window, FormsError(FormsErrorKind::OutOfMemory),
                      QObject::tr("There was not enough memory to finish. Close other programs "
                                  "and try again."));
    } catch (const std::exception& error) {
        ReportInWords(window, FormsError(FormsErrorKind::InternalError, error.what()),
                      QObject::tr("Something went wrong inside the program, and what was asked "
                                  "for was not done. Try again; if it happens again, report it "
                                  "with the details below."));
    } catch (...) {
        ReportInWords(window, FormsError(FormsErrorKind::InternalError),
                      QObject::tr("Something went wrong inside the program, and what was asked "
                                  "for was not done. Try again; if it happens again, report it "
                                  "with the details below."));
    }
}

}  // namespace zandrel
