#include "forms.h"

#include <QApplication>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QStyleFactory>
#include <QTextDocument>
#include <exception>
#include <new>
#include <stdexcept>
#include <utility>

#include "cursor_file.h"
#include "forms_error.h"

namespace zandrel {

namespace {

constexpr const char* LayoutFace = "MS Sans Serif";
constexpr const char* StandInFace = "Liberation Sans";  // Debian ships it; every text fits in it
constexpr double DefaultPointSize = 8.25;

constexpr qreal MultiLineInset = 1.0;

// Room for a window manager's title bar and borders around a window that is not shown yet.
constexpr QSize FrameAllowance(16, 40);

}  // namespace

QString DetailAsSentence(const RuntimeError& error) {
    QString detail = QString::fromStdString(error.Detail());
    if (!detail.isEmpty()) {
        detail[0] = detail[0].toUpper();
        detail += QLatin1Char('.');
    }
    return detail;
}

void InstallRuntimeDefaults(QApplication& application) {
    QApplication::setStyle(QStyleFactory::create("Windows"));
    // Asking for a face that is not installed makes the font system search its fallbacks for
    // every size and weight; the stand-in is named directly instead.
    QFont font(QFontDatabase::hasFamily(LayoutFace) ? LayoutFace : StandInFace);
    font.setPointSizeF(DefaultPointSize);
    QApplication::setFont(font);
    application.setQuitOnLastWindowClosed(true);
}

QImage ReadImage(const QString& path) {
    QImageReader reader(path, QFileInfo(path).suffix().toLatin1());
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

void FinishLoading(QWidget& form) {
    const QVariant position = form.property("clientPosition");
    if (position.isValid()) {
        form.setGeometry(QRect(position.toPoint(), form.size()));
    }
    for (QWidget* control : form.findChildren<QWidget*>()) {
        const QVariant pointSize = control->property("pointSizeF");
        if (pointSize.isValid()) {
            QFont font = control->font();
            font.setPointSizeF(pointSize.toDouble());
            control->setFont(font);
        }
        if (control->property("backgroundRole").toString() == QLatin1String("Button")) {
            control->setBackgroundRole(QPalette::Button);
        }
        const QVariant picture = control->property("picture");
        if (auto* label = qobject_cast<QLabel*>(control); label != nullptr && picture.isValid()) {
            label->setPixmap(QPixmap::fromImage(ReadImage(picture.toString())));
        }
        const QVariant pointer = control->property("mouseIcon");
        if (pointer.isValid()) {
            control->setCursor(LoadCursorFile(pointer.toString()));
        }
    }
    for (QPlainTextEdit* box : form.findChildren<QPlainTextEdit*>()) {
        box->document()->setDocumentMargin(MultiLineInset);
    }
}

QString BoxText(const QWidget& box) {
    if (const auto* line = qobject_cast<const QLineEdit*>(&box)) {
        return line->text();
    }
    if (const auto* multi = qobject_cast<const QPlainTextEdit*>(&box)) {
        return multi->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    }
    throw std::logic_error(box.objectName().toStdString() + " is not a text box");
}

void SetBoxText(QWidget& box, const QString& text) {
    if (auto* line = qobject_cast<QLineEdit*>(&box)) {
        line->setText(text);
    } else if (auto* multi = qobject_cast<QPlainTextEdit*>(&box)) {
        multi->setPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    } else {
        throw std::logic_error(box.objectName().toStdString() + " is not a text box");
    }
}

void RunReportingErrors(QWidget& form, const std::function<void()>& handler,
                        const ErrorWording& wording) {
    try {
        handler();
    } catch (const RuntimeError& error) {
        ReportRuntimeError(form, error, wording ? wording(error) : DetailAsSentence(error));
    } catch (const std::bad_alloc&) {
        const FormsError error(FormsErrorKind::OutOfMemory);
        ReportRuntimeError(form, error, QObject::tr("There was not enough memory to finish."));
    } catch (const std::exception& error) {
        const FormsError internal(FormsErrorKind::InternalError, error.what());
        ReportRuntimeError(form, internal, DetailAsSentence(internal));
    } catch (...) {
        const FormsError internal(FormsErrorKind::InternalError);
        ReportRuntimeError(form, internal, QObject::tr("An unknown error was raised."));
    }
}

void FitOnScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr) {
        return;
    }
    const QSize room = screen->availableGeometry().size() - FrameAllowance;
    window.resize(window.size().boundedTo(room).expandedTo(window.minimumSizeHint()));
}

void UnloadAllForms() {
    QList<QPointer<QWidget>> windows;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->parentWidget() == nullptr) {
            windows << window;
        }
    }
    for (const QPointer<QWidget>& window : windows) {
        delete window.data();
    }
}

void ReportRuntimeError(QWidget& form, const RuntimeError& error, const QString& explanation,
                        const QString& details) {
    auto* report = new QMessageBox(QMessageBox::Critical, QApplication::applicationName(),
                                   QStringLiteral("Run-time error '%1':\n\n%2")
                                       .arg(error.Number())
                                       .arg(QString::fromStdString(error.Message())),
                                   QMessageBox::Ok, &form);
    report->setObjectName(RuntimeErrorReportName);
    // What the user typed is quoted in the explanation: it must never be read as markup.
    report->setTextFormat(Qt::PlainText);
    report->setInformativeText(explanation);
    // The box sets its informative label to guess the format; that label is told otherwise,
    // and where it cannot be found the text is handed over as escaped rich text instead.
    if (auto* informative =
            report->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
        informative->setTextFormat(Qt::PlainText);
    } else {
        report->setInformativeText(Qt::convertFromPlainText(explanation));
    }
    if (!details.isEmpty()) {
        report->setDetailedText(details);
    }
    report->setAttribute(Qt::WA_DeleteOnClose);
    report->open();
}

}  // namespace zandrel
