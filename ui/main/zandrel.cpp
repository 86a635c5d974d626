#include "zandrel.h"

#include <utility>

#include "forms.h"
#include "helix_dimensions.h"
#include "info1.h"
#include "print_window.h"
#include "runtime_error.h"
#include "ui_zandrel.h"
#include "web.h"

// Resources of a static library have to be registered by hand.
static void RegisterMainWindowResources() { Q_INIT_RESOURCE(main_window); }

namespace zandrel {

namespace {

constexpr qsizetype LongestQuotedFrequency = 40;

QString Quoted(const QString& text) {
    if (text.size() > LongestQuotedFrequency) {
        return QStringLiteral("\u201C%1\u2026\u201D").arg(text.left(LongestQuotedFrequency));
    }
    return QStringLiteral("\u201C%1\u201D").arg(text);
}

}  // namespace

Zandrel::Zandrel(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::Zandrel>()) {
    RegisterMainWindowResources();
    ui_->setupUi(this);
    FinishLoading(*this);
    // The result boxes in the order a COMPUTE writes them.
    resultBoxes_ = {ui_->Text5,  ui_->Text12, ui_->Text15, ui_->Text18, ui_->Text20, ui_->Text22,
                    ui_->Text24, ui_->Text26, ui_->Text28, ui_->Text30, ui_->Text31};

    const ErrorWording frequencyWording = [this](const RuntimeError& error) {
        return ExplainComputeError(error);
    };
    const std::pair<const char*, void (Zandrel::*)()> computeCommands[] = {
        {"Command1", &Zandrel::Command1_Click}, {"Command2", &Zandrel::Command2_Click},
        {"Command3", &Zandrel::Command3_Click}, {"Command4", &Zandrel::Command4_Click},
        {"Command7", &Zandrel::Command7_Click}, {"Command8", &Zandrel::Command8_Click},
    };
    for (const auto& [name, command] : computeCommands) {
        BindClick(
            *this, name, [this, command] { (this->*command)(); }, frequencyWording);
    }
    BindClick(*this, "Command5", [this] { Command5_Click(); });
    BindClick(*this, "Command6", [this] { Command6_Click(); });
    BindClick(
        *this, "Command9", [this] { Command9_Click(); },
        [](const RuntimeError& error) {
            return tr("The window could not be printed: %1. Nothing else has changed.")
                .arg(QString::fromStdString(error.Detail()));
        });
    ui_->Text1->setFocus();
}

Zandrel::~Zandrel() = default;

void Zandrel::Command1_Click() { Compute(HelixStyle::QuarterTurn); }
void Zandrel::Command2_Click() { Compute(HelixStyle::HalfTurnRca); }
void Zandrel::Command3_Click() { Compute(HelixStyle::HalfTurnShort); }
void Zandrel::Command4_Click() { Compute(HelixStyle::OneAndHalfTurn); }
void Zandrel::Command7_Click() { Compute(HelixStyle::OneTurn); }
void Zandrel::Command8_Click() { Compute(HelixStyle::HalfTurnTall); }

void Zandrel::Command5_Click() { INFO1Instance().Show(); }
void Zandrel::Command6_Click() { webInstance().Show(); }
void Zandrel::Command9_Click() { PrintWindow(ZandrelInstance().Get()); }

void Zandrel::Compute(HelixStyle style) {
    ComputeHelixDimensions(BoxText(*ui_->Text3).toStdString(), StyleConstantsOf(style), Module1);
    for (std::size_t i = 0; i < DisplayOrder.size(); ++i) {
        SetBoxText(*resultBoxes_[i],
                   QString::fromStdString(FormatDimension(Module1.*DisplayOrder[i].Field)));
    }
}

QString Zandrel::ExplainComputeError(const RuntimeError& error) const {
    const QString frequency = Quoted(ui_->Text3->text());
    QString problem;
    switch (ClassifyFrequencyError(error, BoxText(*ui_->Text3).toStdString())) {
        case FrequencyProblem::NotANumber:
            problem = tr("The frequency %1 is not a number. Type the frequency in MHz with "
                         "digits and an optional decimal point, for example 137.50.")
                          .arg(frequency);
            break;
        case FrequencyProblem::Zero:
            problem = tr("The frequency %1 is zero. Type the frequency in MHz, for example 137.50.")
                          .arg(frequency);
            break;
        case FrequencyProblem::TooLarge:
            problem = tr("The frequency %1 is too large for the calculator.").arg(frequency);
            break;
        case FrequencyProblem::TooSmall:
            problem = tr("The frequency %1 is too small for the design: the antenna would be too "
                         "large to compute.")
                          .arg(frequency);
            break;
        case FrequencyProblem::Other:
            problem =
                tr("The dimensions could not be computed for the frequency %1.").arg(frequency);
            break;
    }
    return problem + QLatin1Char('\n') + tr("The results on screen have not changed.");
}

DefaultInstance<Zandrel>& ZandrelInstance() {
    static DefaultInstance<Zandrel> instance;
    return instance;
}

}  // namespace zandrel
