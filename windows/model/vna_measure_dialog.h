// The model window's "Measure with NanoVNA...": chooses the device (the ones found listed),
// sweeps the whole band in the background with a progress bar and Cancel, hands the sweep to the
// window, and keeps it in a Touchstone file on request. The window never waits on the device.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "nano_vna.h"
#include "runtime_error.h"

template <typename T>
class QFutureWatcher;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace zandrel {

class VnaMeasureDialog : public QDialog {
    Q_OBJECT

  public:
    // Called with the measurement's name ("the NanoVNA on /dev/ttyACM0") and the sweep.
    using Measured = std::function<void(const std::string& name, const Measurement& sweep)>;

    VnaMeasureDialog(const SweepRequest& request, Measured measured, QWidget* parent = nullptr);
    ~VnaMeasureDialog() override;  // stops a sweep under way and waits for it

  private:
    struct Outcome {
        std::string Port;
        std::optional<Measurement> Sweep;
        std::vector<std::string> Comments;
        std::optional<RuntimeError> Failure;
    };

    void Start();
    void Finished();
    void Save();
    void reject() override;

    SweepRequest request_;
    Measured measured_;
    QComboBox* port_;
    QProgressBar* progress_;
    QLabel* status_;
    QPushButton* measure_;
    QPushButton* cancel_;
    QPushButton* save_;
    QFutureWatcher<Outcome>* work_;
    std::shared_ptr<LineStop> stop_;
    std::optional<Outcome> last_;
};

}  // namespace zandrel
