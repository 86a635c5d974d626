#include "window_reports.h"

#include <QApplication>
#include <QMessageBox>
#include <new>

#include "forms_error.h"
#include "runtime_error.h"

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

void ReportInWords(QWidget& window, const RuntimeError& error, const QString& words,
                   const QString& more) {
    auto* report = new QMessageBox(QMessageBox::Warning, QApplication::applicationName(), words,
                                   QMessageBox::Ok, &window);
    report->setObjectName(RuntimeErrorReportName);
    // What the user typed is quoted in the words: it must never be read as markup.
    report->setTextFormat(Qt::PlainText);
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
