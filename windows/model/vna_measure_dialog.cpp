#include "vna_measure_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFutureWatcher>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent>
#include <chrono>

#include "error_words.h"
#include "output_file.h"
#include "vna_error.h"
#include "vna_ports.h"

namespace zandrel {

namespace {

constexpr std::chrono::seconds AnswerTimeout{5};

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

VnaMeasureDialog::VnaMeasureDialog(const SweepRequest& request, Measured measured, QWidget* parent)
    : QDialog(parent),
      request_(request),
      measured_(std::move(measured)),
      port_(new QComboBox(this)),
      progress_(new QProgressBar(this)),
      status_(new QLabel(this)),
      measure_(new QPushButton(tr("&Measure"), this)),
      cancel_(new QPushButton(tr("Cancel"), this)),
      save_(new QPushButton(tr("&Save measurement..."), this)),
      work_(new QFutureWatcher<Outcome>(this)) {
    setObjectName(QStringLiteral("vnaMeasureDialog"));
    setWindowTitle(tr("Measure with NanoVNA"));
    port_->setObjectName(QStringLiteral("vnaPortBox"));
    port_->setEditable(true);
    port_->setAccessibleName(tr("Serial port"));
    for (const std::string& found : FindNanoVnas()) {
        port_->addItem(Text(found));
    }
    progress_->setObjectName(QStringLiteral("vnaProgress"));
    progress_->setRange(0, request.Points);
    progress_->setValue(0);
    status_->setObjectName(QStringLiteral("vnaStatus"));
    status_->setWordWrap(true);
    status_->setText(
        tr("Sweeps the whole antenna, or the loop that the window's box names, from %1 to %2 MHz "
           "at %3 points.%4")
            .arg(request.FromMHz, 0, 'f', 2)
            .arg(request.ToMHz, 0, 'f', 2)
            .arg(request.Points)
            .arg(port_->count() == 0 ? tr(" No NanoVNA (USB 0483:5740) was found: type its "
                                          "serial port.")
                                     : QString()));
    measure_->setObjectName(QStringLiteral("vnaMeasureButton"));
    cancel_->setObjectName(QStringLiteral("vnaCancelButton"));
    save_->setObjectName(QStringLiteral("vnaSaveButton"));
    cancel_->setEnabled(false);
    save_->setEnabled(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(measure_, QDialogButtonBox::ActionRole);
    buttons->addButton(cancel_, QDialogButtonBox::ActionRole);
    buttons->addButton(save_, QDialogButtonBox::ActionRole);
    auto* layout = new QVBoxLayout(this);
    auto* portLabel = new QLabel(tr("&Serial port:"), this);
    portLabel->setBuddy(port_);
    layout->addWidget(portLabel);
    layout->addWidget(port_);
    layout->addWidget(progress_);
    layout->addWidget(status_);
    layout->addWidget(buttons);
    connect(measure_, &QPushButton::clicked, this, &VnaMeasureDialog::Start);
    connect(cancel_, &QPushButton::clicked, this, [this] {
        if (stop_) {
            stop_->Stop();
        }
    });
    connect(save_, &QPushButton::clicked, this, &VnaMeasureDialog::Save);
    connect(buttons, &QDialogButtonBox::rejected, this, &VnaMeasureDialog::reject);
    connect(work_, &QFutureWatcher<Outcome>::finished, this, &VnaMeasureDialog::Finished);
}

VnaMeasureDialog::~VnaMeasureDialog() {
    if (stop_) {
        stop_->Stop();
        work_->waitForFinished();
    }
}

void VnaMeasureDialog::reject() {
    if (stop_) {
        stop_->Stop();
        work_->waitForFinished();
    }
    QDialog::reject();
}

void VnaMeasureDialog::Start() {
    if (stop_) {
        return;
    }
    const std::string device = port_->currentText().trimmed().toStdString();
    stop_ = std::make_shared<LineStop>();
    measure_->setEnabled(false);
    cancel_->setEnabled(true);
    save_->setEnabled(false);
    progress_->setValue(0);
    status_->setText(tr("Sweeping..."));
    const std::shared_ptr<LineStop> stop = stop_;
    const SweepRequest request = request_;
    QProgressBar* progress = progress_;
    work_->setFuture(QtConcurrent::run([device, stop, request, progress] {
        Outcome outcome;
        try {
            outcome.Port = ChooseVnaPort(device.empty() ? "auto" : device);
            NanoVna vna(outcome.Port, AnswerTimeout, stop.get());
            const std::vector<std::string> info = vna.Info();
            outcome.Sweep = vna.Sweep(request, [progress](int done, int) {
                QMetaObject::invokeMethod(progress, "setValue", Qt::QueuedConnection,
                                          Q_ARG(int, done));
            });
            outcome.Comments =
                MeasurementComments(outcome.Port, info, std::chrono::system_clock::now());
        } catch (const RuntimeError& error) {
            outcome.Failure = error;
        }
        return outcome;
    }));
}

void VnaMeasureDialog::Finished() {
    Outcome outcome = work_->result();
    stop_.reset();
    measure_->setEnabled(true);
    cancel_->setEnabled(false);
    if (outcome.Failure) {
        status_->setText(outcome.Failure->Is(VnaErrorKind::Stopped)
                             ? tr("Cancelled; nothing changed.")
                             : Text(MessageWithDetail(*outcome.Failure)) +
                                   tr("\nNothing changed."));
        return;
    }
    progress_->setValue(request_.Points);
    status_->setText(tr("%1 points measured with the NanoVNA on %2 and laid over the model.")
                         .arg(outcome.Sweep->Points.size())
                         .arg(Text(outcome.Port)));
    last_ = std::move(outcome);
    save_->setEnabled(true);
    measured_("the NanoVNA on " + last_->Port, *last_->Sweep);
}

void VnaMeasureDialog::Save() {
    if (!last_) {
        return;
    }
    auto* dialog = new QFileDialog(this, tr("Save measurement"), QStringLiteral("antenna.s1p"),
                                   tr("Touchstone files (*.s1p)"));
    dialog->setObjectName(QStringLiteral("saveVnaMeasurementDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("s1p"));
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
        try {
            WriteOutputFile(QFile::encodeName(path).toStdString(),
                            WriteTouchstone(*last_->Sweep, last_->Comments, FrequencyUnit::Hz));
            status_->setText(tr("Saved in %1.").arg(path));
        } catch (const RuntimeError& error) {
            status_->setText(tr("The measurement could not be saved: %1")
                                 .arg(Text(DetailOrMessageSentence(error))));
        }
    });
    dialog->open();
}

}  // namespace zandrel
