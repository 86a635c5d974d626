#include "shell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

#include "runtime_error.h"

namespace zandrel {

namespace {

const QString BrowserOpener = QStringLiteral("start.exe");

double NextTaskNumber() {
    static double taskNumber = 0;
    return ++taskNumber;
}

}  // namespace

double Shell(const QString& command, ShellWindow window) {
    const qsizetype space = command.indexOf(QLatin1Char(' '));
    const QString program = space < 0 ? command : command.left(space);
    const QString arguments = space < 0 ? QString() : command.mid(space + 1);

    if (program.compare(BrowserOpener, Qt::CaseInsensitive) == 0) {
        const QUrl address(arguments.trimmed(), QUrl::StrictMode);
        if (!address.isValid() || address.isRelative() || !QDesktopServices::openUrl(address)) {
            throw RuntimeError(RuntimeErrorKind::FileNotFound,
                               "no web browser could be opened for " + arguments.toStdString());
        }
        return NextTaskNumber();
    }

    QProcess process;
    process.setProgram(program);
    process.setArguments(QProcess::splitCommand(arguments));
#if defined(Q_OS_WIN)
    if (window == ShellWindow::Hidden) {
        process.setCreateProcessArgumentsModifier(
            [](QProcess::CreateProcessArguments* startup) { startup->flags |= CREATE_NO_WINDOW; });
    }
#else
    static_cast<void>(window);
#endif
    qint64 processId = 0;
    if (program.isEmpty() || !process.startDetached(&processId)) {
        throw RuntimeError(RuntimeErrorKind::FileNotFound,
                           "the program " + program.toStdString() + " could not be started");
    }
    return static_cast<double>(processId);
}

}  // namespace zandrel
