#include "frozen_first_column.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>

namespace zandrel {

FrozenFirstColumn::FrozenFirstColumn(QTableView& table) : QTableView(&table), table_(table) {
    setObjectName(QStringLiteral("frozenFirstColumn"));
    setModel(table.model());
    setSelectionModel(table.selectionModel());
    setSelectionBehavior(table.selectionBehavior());
    setSelectionMode(table.selectionMode());
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(table.alternatingRowColors());
    setWordWrap(table.wordWrap());
    // The table keeps the keyboard; a click here chooses the row there.
    setFocusPolicy(Qt::NoFocus);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(table.verticalHeader()->defaultSectionSize());
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    HideOtherColumns();

    connect(table.horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int width) {
                if (column == 0) {
                    setColumnWidth(0, width);
                    Follow();
                }
            });
    connect(table.verticalHeader(), &QHeaderView::sectionResized, this,
            [this](int row, int, int height) { setRowHeight(row, height); });
    connect(table.model(), &QAbstractItemModel::columnsInserted, this,
            &FrozenFirstColumn::HideOtherColumns);
    connect(table.verticalScrollBar(), &QScrollBar::valueChanged, verticalScrollBar(),
            &QScrollBar::setValue);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, table.verticalScrollBar(),
            &QScrollBar::setValue);
    connect(table.horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &FrozenFirstColumn::Follow);
    connect(table.horizontalScrollBar(), &QScrollBar::rangeChanged, this,
            &FrozenFirstColumn::Follow);
    table.installEventFilter(this);
    Follow();
}

bool FrozenFirstColumn::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &table_ && event->type() == QEvent::Resize) {
        Follow();
    }
    return QTableView::eventFilter(watched, event);
}

void FrozenFirstColumn::HideOtherColumns() {
    for (int column = 1; column < model()->columnCount(); ++column) {
        setColumnHidden(column, true);
    }
    setColumnWidth(0, table_.columnWidth(0));
}

void FrozenFirstColumn::Follow() {
    // Unscrolled, the table shows its own first column; scrolled, this one covers what slid
    // under its place.
    setColumnWidth(0, table_.columnWidth(0));
    const QRect viewport = table_.viewport()->geometry();
    setGeometry(viewport.x(), table_.frameWidth(), table_.columnWidth(0),
                viewport.bottom() + 1 - table_.frameWidth());
    horizontalHeader()->setFixedHeight(table_.horizontalHeader()->height());
    verticalScrollBar()->setValue(table_.verticalScrollBar()->value());
    setVisible(table_.horizontalScrollBar()->value() > 0);
}

}  // namespace zandrel
