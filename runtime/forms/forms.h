// The runtime services the windows rely on: defaults for every window, click binding and the
// report of a run-time error that leaves a handler.
#pragma once

#include <QString>
#include <functional>
#include <type_traits>
#include <utility>

class QApplication;
class QImage;
class QWidget;

namespace zandrel {

class RuntimeError;

// Words for the user that explain a run-time error in the terms of the window's task.
using ErrorWording = std::function<QString(const RuntimeError&)>;

// The face and size every control uses unless it names its own, the widget style, and the
// face that stands in where the layout's face is not installed.
void InstallRuntimeDefaults(QApplication& application);

// Completes a form built from its layout with what the layout stores beyond Qt's own
// properties: the client-area position ("clientPosition") of a form placed by hand, and per
// control a fractional point size ("pointSizeF"), the colour role it is filled with
// ("backgroundRole"), its picture file ("picture") and its pointer file ("mouseIcon"); and
// the small inset of every multi-line text box.
void FinishLoading(QWidget& form);

// The image in `path` (a file or a resource), read by the reader its name's ending names
// rather than by probing every image format; a null image when it cannot be read.
QImage ReadImage(const QString& path);

// The text of a text box. Line breaks of a multi-line box read as CR LF pairs, as they are
// stored, whatever the widget keeps inside.
QString BoxText(const QWidget& box);
void SetBoxText(QWidget& box, const QString& text);

// What went wrong in this case as a sentence: the error's detail with a capital and a full stop.
// A report explains a run-time error with it unless the window has words of its own.
QString DetailAsSentence(const RuntimeError& error);

// Runs `handler`, and reports over `form` whatever error leaves it, so that the program goes
// on: a run-time error explained by `wording` (or else by the error's own detail), running out
// of memory, or any other exception as an internal error. The one place where an error in a
// handler becomes a report.
void RunReportingErrors(QWidget& form, const std::function<void()>& handler,
                        const ErrorWording& wording = {});

// A slot for a control's signal that runs `handler`, a member of the window or any callable,
// through `Run` (RunReportingErrors or another window's way of reporting) over `window`.
template <auto Run, typename Window, typename Handler>
auto SlotReportingWith(Window* window, Handler handler, ErrorWording wording) {
    return [window, handler = std::move(handler), wording = std::move(wording)] {
        Run(
            *window,
            [window, &handler] {
                if constexpr (std::is_invocable_v<const Handler&>) {
                    std::invoke(handler);
                } else {
                    std::invoke(handler, window);
                }
            },
            wording);
    };
}

// A slot for a control's signal that runs `handler` reporting errors over `window`: a member of
// the window, as in connect(ui->okButton, &QPushButton::clicked, this,
// ReportingErrors(this, &Window::Ok)), or any callable, as in ReportingErrors(this, [this] { Ok(); }).
template <typename Window, typename Handler>
auto ReportingErrors(Window* window, Handler handler, ErrorWording wording = {}) {
    return SlotReportingWith<&RunReportingErrors>(window, std::move(handler), std::move(wording));
}

// Shows a window-modal report of `error` over `form`, with `explanation` below the number and
// message, all as plain text, and `details` (such as another program's own words) behind the
// report's details button when there are any. Returns at once; the report closes itself when
// the user dismisses it.
void ReportRuntimeError(QWidget& form, const RuntimeError& error, const QString& explanation,
                        const QString& details = {});

// Shrinks a window whose frame would not fit in the free area of its screen (the desktop less
// its panels) so that it does, never below the window's minimum size. For a window sized by its
// layout, before it is first shown.
void FitOnScreen(QWidget& window);

// Unloads every window still loaded, with the windows it owns, such as open reports. For the
// end of the program, while the application object still exists.
void UnloadAllForms();

// Object name of the report's message box, for whoever needs to find it.
inline constexpr const char* RuntimeErrorReportName = "RuntimeErrorReport";

}  // namespace zandrel
