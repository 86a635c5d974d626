// How the model and sheet windows report what went wrong: what happened and what to do in
// plain words, with the error's number, its message and any technical detail behind the
// report's "Show Details..." button. The one place where those windows turn an error into words.
#pragma once

#include <QString>
#include <functional>
#include <utility>

#include "forms.h"

class QWidget;

namespace zandrel {

class RuntimeError;

// "Error 1005: No NEC-2 model can be built for these dimensions", the error's detail and
// `more` (such as nec2c's own words), a line each: what a report keeps behind its details.
QString TechnicalDetails(const RuntimeError& error, const QString& more = {});

// What the user can do about `error`, in a sentence; empty where the window's own words say it.
QString WhatToDo(const RuntimeError& error);

// Shows a window-modal report over `window` that says `words` and what to do, with the
// technical details behind its details button. Returns at once; the report closes itself when
// dismissed.
void ReportInWords(QWidget& window, const RuntimeError& error, const QString& words,
                   const QString& more = {});

// Runs `handler`, and reports over `window` whatever error leaves it, so that the window goes
// on: a run-time error in `wording`'s words (or its detail as a sentence), running out of
// memory, or any other exception as a fault of the program.
void RunReportingInWords(QWidget& window, const std::function<void()>& handler,
                         const ErrorWording& wording = {});

// A slot for a control's signal that runs `handler` (a member of the window or any callable)
// reporting errors in words over `window`.
template <typename Window, typename Handler>
auto ReportingInWords(Window* window, Handler handler, ErrorWording wording = {}) {
    return SlotReportingWith<&RunReportingInWords>(window, std::move(handler), std::move(wording));
}

}  // namespace zandrel
