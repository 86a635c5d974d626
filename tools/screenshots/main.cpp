// Takes a picture of each window after a COMPUTE, of a bad-frequency report, of the model
// window once nec2c has modelled every style and of the construction sheet window (these two
// at their opening size and at their smallest, the sheet's also with a mast typed outside its
// range), and of the model window with a measurement laid over the model, with that style tuned,
// and of its Pass plot with the 1 1/2 TURN tuned for the pass, for the documentation:
// zandrel2-screenshots DIR
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "forms.h"
#include "information_window.h"
#include "loop_tuning.h"
#include "main_window.h"
#include "one_port.h"
#include "scaled_models.h"
#include "sheet_window_module.h"
#include "start.h"
#include "web_link_window.h"
#include "window_modules.h"

namespace {

bool Save(QWidget& window, const QDir& folder, const QString& name) {
    const QString path = folder.filePath(name);
    const bool saved = window.grab().save(path, "PNG");
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

// Pictures `window` as it opens, then at its smallest size.
bool SaveBothSizes(QWidget& window, const QDir& folder, const QString& name) {
    if (!Save(window, folder, name + QStringLiteral(".png"))) {
        return false;
    }
    window.resize(window.minimumSize());
    QApplication::processEvents();
    return Save(window, folder, name + QStringLiteral("-smallest.png"));
}

// Calls `then` once no cell of the model window's table says that it is still being modelled:
// the loops' lengths follow the rows.
void WhenFullyModelled(QWidget& model, const std::function<void()>& then) {
    const QAbstractItemModel& rows = *model.findChild<QTableView*>("modelTable")->model();
    bool pending = false;
    for (int row = 0; row < rows.rowCount(); ++row) {
        for (int column = 0; column < rows.columnCount(); ++column) {
            pending = pending || rows.index(row, column).data() == QStringLiteral("modelling...");
        }
    }
    if (!pending) {
        then();
        return;
    }
    QTimer::singleShot(100, qApp, [&model, then] { WhenFullyModelled(model, then); });
}

// Takes the pictures of the construction sheet window, then ends the program.
void ShowSheetWindowAndQuit(const QDir& folder, bool& saved) {
    QWidget* sheet = &zandrel::LoadConstructionSheetWindowModule().ShowConstructionSheetWindow(
        QStringLiteral("137.50"));
    QTimer::singleShot(500, qApp, [&folder, &saved, sheet] {
        saved = saved && SaveBothSizes(*sheet, folder, "construction-sheet-window");
        // A mast typed too wide for the loops: kept as typed and explained under the field.
        sheet->resize(sheet->sizeHint().expandedTo(QSize(1100, 640)));
        auto* mast = sheet->findChild<QWidget*>(QStringLiteral("mastDiameterBox"));
        mast->findChild<QLineEdit*>()->setText(QStringLiteral("400"));
        QApplication::processEvents();
        saved = saved && Save(*sheet, folder, "construction-sheet-window-typed-mast.png");
        QApplication::quit();
    });
}

// The 1/2 TURN .44 TALL style built from the 135 MHz column, every length 1.85 % long: its
// modelled S11 as a VNA would save it, in `folder`.
QString WriteMeasurement(const QTemporaryDir& folder) {
    const zandrel::LoopDesign built{
        &zandrel::Styles[3], "135", zandrel::Polarisation::Rhcp, std::nullopt, {}};
    const zandrel::Measurement measured = zandrel::ModelMeasurement(
        built, {}, zandrel::SpreadFrequencies(135.0), 50.0, zandrel::Nec2cEvaluator());
    const QString path = folder.filePath(QStringLiteral("antenna.s1p"));
    zandrel::WriteTouchstoneFile(path.toStdString(), measured);
    return path;
}

// Opens the measurement in the model window at its opening size, for 1/2 TURN .44 TALL, and
// pictures it once the trim advice is shown; then `next`.
void ShowMeasurementAndThen(QWidget& model, const QSize& opening, const QString& path,
                            const QDir& folder, bool& saved, const std::function<void()>& next) {
    model.resize(opening);
    model.findChild<QTableView*>("modelTable")->selectRow(3);
    model.findChild<QPushButton*>("openMeasurementButton")->click();
    auto* dialog = model.findChild<QFileDialog*>("openMeasurementDialog");
    if (dialog == nullptr) {
        saved = false;
        next();
        return;
    }
    emit dialog->fileSelected(path);
    dialog->close();
    auto* tune = model.findChild<QPushButton*>("tuneButton");
    auto* waiting = new QTimer(&model);
    QObject::connect(waiting, &QTimer::timeout, &model, [&, waiting, tune, next] {
        if (!tune->isEnabled()) {
            return;  // still fitting
        }
        waiting->stop();
        waiting->deleteLater();
        QApplication::processEvents();
        saved = saved && Save(model, folder, "model-window-measurement.png");
        next();
    });
    waiting->start(200);
}

// Tunes 1/2 TURN .44 TALL, measured before, for the zenith at the model window's opening size and
// pictures its tuned row with the tuned panel and the trim advice; then `next`.
void ShowTunedAndThen(QWidget& model, const QSize& opening, const QDir& folder, bool& saved,
                      const std::function<void()>& next) {
    model.resize(opening);
    auto* table = model.findChild<QTableView*>("modelTable");
    table->selectRow(3);
    auto* tune = model.findChild<QPushButton*>("tuneButton");
    tune->click();
    auto* waiting = new QTimer(&model);
    QObject::connect(waiting, &QTimer::timeout, &model, [&, waiting, table, tune, next] {
        if (!tune->isEnabled()) {
            return;  // still tuning
        }
        waiting->stop();
        waiting->deleteLater();
        table->selectRow(4);
        WhenFullyModelled(model, [&, next] {
            QApplication::processEvents();
            saved = saved && Save(model, folder, "model-window-tuned.png");
            next();
        });
    });
    waiting->start(200);
}

// Tunes the 1 1/2 TURN for the pass at the model window's opening size and pictures its Pass plot
// once the tuned row is shown; then `next`.
void ShowPassAndThen(QWidget& model, const QSize& opening, const QDir& folder, bool& saved,
                     const std::function<void()>& next) {
    model.resize(opening);
    // Below a tuned row, the 1 1/2 TURN's is the table's last.
    auto* table = model.findChild<QTableView*>("modelTable");
    table->selectRow(table->model()->rowCount() - 1);
    model.findChild<QComboBox*>("tuneObjectiveBox")->setCurrentIndex(1);
    auto* tune = model.findChild<QPushButton*>("tuneButton");
    tune->click();
    auto* waiting = new QTimer(&model);
    QObject::connect(waiting, &QTimer::timeout, &model, [&, waiting, tune, next] {
        if (!tune->isEnabled()) {
            return;  // still tuning
        }
        waiting->stop();
        waiting->deleteLater();
        model.findChild<QTabWidget*>("plotTabs")->setCurrentIndex(1);
        WhenFullyModelled(model, [&, next] {
            QApplication::processEvents();
            saved = saved && Save(model, folder, "model-window-pass.png");
            // The sheet window follows the style chosen before: the measured one's.
            model.findChild<QTableView*>("modelTable")->selectRow(3);
            next();
        });
    });
    waiting->start(200);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zandrel2-screenshots DIR\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "zandrel2-screenshots: cannot make %s\n", argv[1]);
        return 1;
    }
    // The windows as they first open, whatever choices this machine's user has made.
    const QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    zandrel::Start(application);
    zandrel::MainWindow& main = zandrel::MainWindowInstance().Get();
    main.findChild<QAbstractButton*>("quarterTurnButton")->click();
    main.findChild<QAbstractButton*>("infoButton")->click();
    main.findChild<QAbstractButton*>("websiteButton")->click();

    const QTemporaryDir measurements;
    const QString measurement = WriteMeasurement(measurements);

    bool saved = false;
    QTimer::singleShot(500, &application, [&] {
        saved = Save(main, folder, "main-window.png") &&
                Save(zandrel::InformationWindowInstance().Get(), folder, "info-window.png") &&
                Save(zandrel::WebLinkWindowInstance().Get(), folder, "web-link-window.png");
        main.findChild<QLineEdit*>("frequencyBox")->setText(QStringLiteral("137,50"));
        main.findChild<QAbstractButton*>("quarterTurnButton")->click();
        QTimer::singleShot(300, &application, [&] {
            auto* report = main.findChild<QMessageBox*>(zandrel::RuntimeErrorReportName);
            saved = saved && report != nullptr && Save(*report, folder, "bad-frequency-report.png");
            if (report != nullptr) {
                report->close();
            }
            QWidget* model = &zandrel::ShowModelWindow(QStringLiteral("137.50"));
            auto* progress = model->findChild<QProgressBar*>("progressBar");
            QObject::connect(
                progress, &QProgressBar::valueChanged, &application,
                [&, model, progress](int done) {
                    if (done < progress->maximum()) {
                        return;
                    }
                    WhenFullyModelled(*model, [&, model] {
                        QTimer::singleShot(300, &application, [&, model] {
                            const QSize opening = model->size();
                            saved = saved && SaveBothSizes(*model, folder, "model-window");
                            ShowMeasurementAndThen(
                                *model, opening, measurement, folder, saved, [&, model, opening] {
                                    ShowTunedAndThen(
                                        *model, opening, folder, saved, [&, model, opening] {
                                            ShowPassAndThen(*model, opening, folder, saved, [&] {
                                                ShowSheetWindowAndQuit(folder, saved);
                                            });
                                        });
                                });
                        });
                    });
                });
        });
    });
    QApplication::exec();
    zandrel::UnloadAllForms();
    return saved ? 0 : 1;
}
