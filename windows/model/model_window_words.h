// The words the model window's parts share: the calculator's and the model's texts as Qt's, and
// paths, errors and runs as the window's reports and status line give them.
#pragma once

#include <QObject>
#include <QString>
#include <string>
#include <string_view>

#include "error_words.h"
#include "model_error.h"
#include "model_runner.h"
#include "runtime_error.h"
#include "window_texts.h"

namespace zandrel::model_window_words {

// The viewer "Open in xnec2c" starts.
inline const QString ViewerName = QStringLiteral("xnec2c");

inline QString Lines(const std::string& text) { return QString::fromStdString(text); }

// A path as a report quotes it, whole.
inline QString QuotedPath(const QString& path) {
    return QStringLiteral("\u201C%1\u201D").arg(path);
}

inline QString DetailSentence(const RuntimeError& error) {
    return QString::fromStdString(DetailOrMessageSentence(error));
}

inline QString RunsWords(int runs) {
    return runs == 1 ? QObject::tr("1 nec2c run") : QObject::tr("%1 nec2c runs").arg(runs);
}

// nec2c's own words about a style it ran, for whoever looks closer: the row's tip and the
// report's details. None when nec2c never saw the style.
inline QString EngineWords(const StyleModel& model) {
    const bool quoted = model.Geometry && model.Error &&
                        (IsEngineError(*model.Error) || IsNotModellable(*model.Error));
    return quoted ? Text(model.Error->Detail()) : QString();
}

}  // namespace zandrel::model_window_words
