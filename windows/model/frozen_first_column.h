// A copy of a table's first column laid over its left edge while the table is scrolled sideways,
// so that the style each row is of stays in sight beside its far columns.
#pragma once

#include <QTableView>

namespace zandrel {

class FrozenFirstColumn : public QTableView {
    Q_OBJECT

  public:
    // Over `table`, sharing its model and selection; the table's rows are set up before.
    explicit FrozenFirstColumn(QTableView& table);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void HideOtherColumns();
    void Follow();

    QTableView& table_;
};

}  // namespace zandrel
