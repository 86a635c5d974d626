// The model window's row of installation fields: the ground, the antenna's height over it, the
// mast and the feed line, remembered between runs of the program.
#pragma once

#include <QWidget>

#include "installation.h"

class QComboBox;
class QDoubleSpinBox;

namespace zandrel {

class InstallationFields : public QWidget {
    Q_OBJECT

  public:
    // The fields as they were last left, or free space with nothing below the antenna.
    explicit InstallationFields(QWidget* parent = nullptr);

    // The installation the fields describe; the mast and choke take their defaults.
    Installation Chosen() const;

    // Puts the fields between two of the window's widgets in its tab chain.
    void PlaceInTabOrder(QWidget* before, QWidget* after);

    // Keeps the fields where the next window, even in the next run of the program, reads them.
    void Remember() const;

  signals:
    void Changed();

  private:
    QComboBox* ground_;
    QDoubleSpinBox* height_;
    QComboBox* mast_;
    QComboBox* feedline_;
};

}  // namespace zandrel
