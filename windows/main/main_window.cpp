#include "main_window.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <memory>
#include <utility>

#include "forms.h"
#include "frequency_words.h"
#include "helix_dimensions.h"
#include "information_window.h"
#include "print_window.h"
#include "runtime_error.h"
#include "ui_main_window.h"
#include "web_link_window.h"

// Resources of a static library have to be registered by hand.
static void RegisterMainWindowResources() { Q_INIT_RESOURCE(main_window); }

namespace zandrel {

MainWindow::MainWindow(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::MainWindow>()) {
    RegisterMainWindowResources();
    ui_->setupUi(this);
    FinishLoading(*this);
    // The result boxes in the order a COMPUTE writes them.
    resultBoxes_ = {
        ui_->tubeDiameterBox,     ui_->smallLoopPerimeterBox, ui_->largeLoopPerimeterBox,
        ui_->smallTopArmBox,      ui_->smallBottomArmBox,     ui_->smallLoopHeightBox,
        ui_->largeLoopHeightBox,  ui_->largeTopArmBox,        ui_->largeBottomArmBox,
        ui_->smallHelixLengthBox, ui_->largeHelixLengthBox};

    const ErrorWording frequencyWording = [this](const RuntimeError& error) {
        return ExplainComputeError(error);
    };
    const std::pair<QPushButton*, void (MainWindow::*)()> computeButtons[] = {
        {ui_->quarterTurnButton, &MainWindow::ComputeQuarterTurn},
        {ui_->halfTurnRcaButton, &MainWindow::ComputeHalfTurnRca},
        {ui_->halfTurnShortButton, &MainWindow::ComputeHalfTurnShort},
        {ui_->halfTurnTallButton, &MainWindow::ComputeHalfTurnTall},
        {ui_->oneTurnButton, &MainWindow::ComputeOneTurn},
        {ui_->oneAndHalfTurnButton, &MainWindow::ComputeOneAndHalfTurn},
    };
    for (const auto& [button, compute] : computeButtons) {
        connect(button, &QPushButton::clicked, this,
                ReportingErrors(this, compute, frequencyWording));
    }
    connect(ui_->infoButton, &QPushButton::clicked, this,
            ReportingErrors(this, &MainWindow::ShowInformationWindow));
    connect(ui_->websiteButton, &QPushButton::clicked, this,
            ReportingErrors(this, &MainWindow::ShowWebLinkWindow));
    connect(ui_->printButton, &QPushButton::clicked, this,
            ReportingErrors(this, &MainWindow::PrintMainWindow, [](const RuntimeError& error) {
                return tr("The window could not be printed: %1. Nothing else has changed.")
                    .arg(QString::fromStdString(error.Detail()));
            }));

    // The context menu adds to the window without changing its look: on the window, and at the
    // top of every text box's own menu.
    modelAction_ = new QAction(tr("Model in NEC-2..."), this);
    sheetAction_ = new QAction(tr("Construction sheet..."), this);
    connect(modelAction_, &QAction::triggered, this,
            [this] { emit modelRequested(ui_->frequencyBox->text()); });
    connect(sheetAction_, &QAction::triggered, this,
            [this] { emit constructionSheetRequested(ui_->frequencyBox->text()); });
    for (QLineEdit* box : findChildren<QLineEdit*>()) {
        box->installEventFilter(this);
    }
    ui_->titleCaption->setFocus();
}

MainWindow::~MainWindow() = default;

void MainWindow::AddWindowActions(QMenu& menu) {
    QAction* first = menu.actions().value(0);
    menu.insertAction(first, modelAction_);
    menu.insertAction(first, sheetAction_);
    if (first != nullptr) {
        menu.insertSeparator(first);
    }
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("mainWindowMenu"));
    AddWindowActions(menu);
    menu.exec(event->globalPos());
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box == nullptr || event->type() != QEvent::ContextMenu) {
        return QWidget::eventFilter(watched, event);
    }
    std::unique_ptr<QMenu> menu(box->createStandardContextMenu());
    menu->setObjectName(QStringLiteral("mainWindowMenu"));
    AddWindowActions(*menu);
    menu->exec(static_cast<QContextMenuEvent*>(event)->globalPos());
    return true;
}

void MainWindow::ComputeQuarterTurn() { Compute(HelixStyle::QuarterTurn); }
void MainWindow::ComputeHalfTurnRca() { Compute(HelixStyle::HalfTurnRca); }
void MainWindow::ComputeHalfTurnShort() { Compute(HelixStyle::HalfTurnShort); }
void MainWindow::ComputeOneAndHalfTurn() { Compute(HelixStyle::OneAndHalfTurn); }
void MainWindow::ComputeOneTurn() { Compute(HelixStyle::OneTurn); }
void MainWindow::ComputeHalfTurnTall() { Compute(HelixStyle::HalfTurnTall); }

void MainWindow::ShowInformationWindow() { InformationWindowInstance().Show(); }
void MainWindow::ShowWebLinkWindow() { WebLinkWindowInstance().Show(); }
void MainWindow::PrintMainWindow() { PrintWindow(MainWindowInstance().Get()); }

void MainWindow::Compute(HelixStyle style) {
    ComputeHelixDimensions(BoxText(*ui_->frequencyBox).toStdString(), StyleConstantsOf(style),
                           dimensions_);
    for (std::size_t i = 0; i < DisplayOrder.size(); ++i) {
        SetBoxText(*resultBoxes_[i],
                   QString::fromStdString(FormatDimension(dimensions_.*DisplayOrder[i].Field)));
    }
}

QString MainWindow::ExplainComputeError(const RuntimeError& error) const {
    const std::string frequency = BoxText(*ui_->frequencyBox).toStdString();
    return QString::fromStdString(
               FrequencyProblemReport(ClassifyFrequencyError(error, frequency), frequency)) +
           QLatin1Char('\n') + tr("The results on screen have not changed.");
}

DefaultInstance<MainWindow>& MainWindowInstance() {
    static DefaultInstance<MainWindow> instance;
    return instance;
}

}  // namespace zandrel
