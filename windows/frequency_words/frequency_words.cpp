#include "frequency_words.h"

#include <QCoreApplication>

namespace zandrel {

namespace {

constexpr qsizetype LongestQuotedFrequency = 40;

QString Tr(const char* text) { return QCoreApplication::translate("FrequencyWords", text); }

}  // namespace

QString QuotedFrequency(const QString& frequencyText) {
    if (frequencyText.size() > LongestQuotedFrequency) {
        return QStringLiteral("\u201C%1\u2026\u201D")
            .arg(frequencyText.left(LongestQuotedFrequency));
    }
    return QStringLiteral("\u201C%1\u201D").arg(frequencyText);
}

QString FrequencyProblemInWords(FrequencyProblem problem, const QString& frequencyText) {
    const QString frequency = QuotedFrequency(frequencyText);
    switch (problem) {
        case FrequencyProblem::NotANumber:
            return Tr("The frequency %1 is not a number. Type the frequency in MHz with digits "
                      "and an optional decimal point, for example 137.50.")
                .arg(frequency);
        case FrequencyProblem::Zero:
            return Tr("The frequency %1 is zero. Type the frequency in MHz, for example 137.50.")
                .arg(frequency);
        case FrequencyProblem::TooLarge:
            return Tr("The frequency %1 is too large for the calculator.").arg(frequency);
        case FrequencyProblem::TooSmall:
            return Tr("The frequency %1 is too small for the design: the antenna would be too "
                      "large to compute.")
                .arg(frequency);
        case FrequencyProblem::Other:
            break;
    }
    return Tr("The dimensions could not be computed for the frequency %1.").arg(frequency);
}

}  // namespace zandrel
