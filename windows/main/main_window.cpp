#include "main_window.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
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
    const std::pair<QPushButton*, HelixStyle> computeButtons[] = {
        {ui_->quarterTurnButton, HelixStyle::QuarterTurn},
        {ui_->halfTurnRcaButton, HelixStyle::HalfTurnRca},
        {ui_->halfTurnShortButton, HelixStyle::HalfTurnShort},
        {ui_->halfTurnTallButton, HelixStyle::HalfTurnTall},
        {ui_->oneTurnButton, HelixStyle::OneTurn},
        {ui_->oneAndHalfTurnButton, HelixStyle::OneAndHalfTurn},
    };
    for (const auto& [button, style] : computeButtons) {
        connect(button, &QPushButton::clicked, this,
                ReportingErrors(
                    this, [this, style = style] { Compute(style); }, frequencyWording));
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
    modelAction_ = new QAction(tr("&Model in NEC-2..."), this);
    sheetAction_ = new QAction(tr("Construction &sheet..."), this);
    connect(modelAction_, &QAction::triggered, this,
            [this] { emit modelRequested(ui_->frequencyBox->text()); });
    connect(sheetAction_, &QAction::triggered, this,
            [this] { emit constructionSheetRequested(ui_->frequencyBox->text()); });
    for (QLineEdit* box : findChildren<QLineEdit*>()) {
        box->installEventFilter(this);
    }
    // Shift+F10 opens it too, also where the platform knows only the menu key (X11).
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), this), &QShortcut::activated,
            this, &MainWindow::OpenContextMenuFromKeyboard);
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

void MainWindow::OpenContextMenuFromKeyboard() {
    QWidget* target = focusWidget();
    if (target == nullptr || !isAncestorOf(target)) {
        target = this;
    }
    // At the text cursor of a box, else in the middle of the control.
    const QRect cursor = target->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    const QPoint position = cursor.isValid() ? cursor.center() : target->rect().center();
    // A control without a menu of its own passes the event on to the window.
    QContextMenuEvent event(QContextMenuEvent::Keyboard, position, target->mapToGlobal(position));
    QCoreApplication::sendEvent(target, &event);
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
