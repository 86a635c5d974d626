// The model window's rows: the tuned row's place among the styles', and how a row looks, checked
// throughout by Qt's own tester of the item model's rules.
#include <QAbstractItemModelTester>
#include <QColor>
#include <QFont>
#include <QSignalSpy>
#include <QSize>
#include <QtTest>

#include "model_table_rows.h"

namespace zandrel {

class ModelTableRowsTest : public QObject {
    Q_OBJECT

  private:
    static constexpr int Styles = 6;
    static constexpr int Columns = 5;

    static QStringList Figures(const QString& of) {
        return {of + " 1", of + " 2", of + " 3", of + " 4"};
    }
    static QVariant At(const ModelTableRows& rows, int row, int column, int role) {
        return rows.data(rows.index(row, column), role);
    }

  private slots:
    void theTunedRowSitsUnderItsStyleAndTheRowsBelowFollowIt() {
        ModelTableRows rows(Styles, Columns);
        QAbstractItemModelTester tester(&rows,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (int style = 0; style < Styles; ++style) {
            rows.ShowStyle(style, QString("STYLE %1").arg(style), Figures(QString::number(style)));
        }
        rows.ShowTuned(2, "TUNED", "tip", Figures("tuned"));
        QCOMPARE(rows.rowCount(), Styles + 1);
        QCOMPARE(rows.TunedRow(), std::optional<int>(3));
        QVERIFY(rows.IsTunedRow(3));
        QCOMPARE(rows.StyleOfRow(3), 2);  // the tuned row stands for its style
        QCOMPARE(rows.StyleOfRow(4), 3);
        QCOMPARE(rows.RowOfStyle(2), 2);
        QCOMPARE(rows.RowOfStyle(3), 4);
        QCOMPARE(At(rows, 3, 1, Qt::DisplayRole).toString(), QString("tuned 1"));
        QCOMPARE(At(rows, 4, 0, Qt::DisplayRole).toString(), QString("STYLE 3"));

        // A style's row shown again lands below the tuned row when it is below.
        rows.ShowStyle(5, "STYLE 5", Figures("again"));
        QCOMPARE(At(rows, 6, 2, Qt::DisplayRole).toString(), QString("again 2"));

        // Tuned from another style, the row moves under that one: one tuned row only.
        rows.ShowTuned(4, "TUNED AGAIN", {}, Figures("tuned again"));
        QCOMPARE(rows.rowCount(), Styles + 1);
        QCOMPARE(rows.TunedRow(), std::optional<int>(5));
        QCOMPARE(At(rows, 3, 0, Qt::DisplayRole).toString(), QString("STYLE 3"));
        QCOMPARE(At(rows, 5, 0, Qt::DisplayRole).toString(), QString("TUNED AGAIN"));

        rows.RemoveTuned();
        QCOMPARE(rows.rowCount(), Styles);
        QCOMPARE(rows.TunedRow(), std::nullopt);
        QCOMPARE(rows.RowOfStyle(5), 5);
        QCOMPARE(At(rows, 5, 2, Qt::DisplayRole).toString(), QString("again 2"));
    }

    void aRowOfOneTextSpansInItalicsWidensNoColumnAndAFailureIsRed() {
        ModelTableRows rows(Styles, Columns);
        QAbstractItemModelTester tester(&rows,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy spans(&rows, &ModelTableRows::SpansChanged);
        rows.ShowStyle(1, "STYLE 1", {"nec2c failed."}, "nec2c's words", true);
        QVERIFY(rows.IsSpanned(1));
        QCOMPARE(spans.count(), 1);
        QVERIFY(At(rows, 1, 1, Qt::FontRole).value<QFont>().italic());
        QCOMPARE(At(rows, 1, 1, Qt::SizeHintRole).toSize(), QSize(0, 0));
        QCOMPARE(At(rows, 1, 1, Qt::ForegroundRole).value<QColor>(), QColor(176, 0, 0));
        QCOMPARE(At(rows, 1, 3, Qt::ToolTipRole).toString(), QString("nec2c's words"));

        // Its figures in, the row is a row of columns again, in the table's own colours.
        rows.ShowStyle(1, "STYLE 1", Figures("1"));
        QVERIFY(!rows.IsSpanned(1));
        QCOMPARE(spans.count(), 2);
        QVERIFY(!At(rows, 1, 1, Qt::ForegroundRole).isValid());
        QVERIFY(!At(rows, 1, 1, Qt::SizeHintRole).isValid());
        QVERIFY(!At(rows, 1, 1, Qt::ToolTipRole).isValid());
    }

    void aStylesCaptionIsBoldAndTheTunedRowsCarriesItsTip() {
        ModelTableRows rows(Styles, Columns);
        rows.ShowStyle(0, "STYLE 0", Figures("0"));
        rows.ShowTuned(0, "TUNED: for another line", "for another line", Figures("tuned"));
        QVERIFY(At(rows, 0, 0, Qt::FontRole).value<QFont>().bold());
        QVERIFY(!At(rows, 1, 0, Qt::FontRole).isValid());
        QCOMPARE(At(rows, 1, 0, Qt::ToolTipRole).toString(), QString("for another line"));
    }

    void aCellAndTheHeadersShowWhatTheyAreGiven() {
        ModelTableRows rows(Styles, Columns);
        QAbstractItemModelTester tester(&rows,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy headers(&rows, &QAbstractItemModel::headerDataChanged);
        rows.SetHeaders({"A", "B", "C", "D", "E"}, {"a", "b", "c", "d", "e"});
        QCOMPARE(headers.count(), 1);
        QCOMPARE(rows.headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(), QString("E"));
        QCOMPARE(rows.headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString(), QString("b"));

        rows.ShowStyle(2, "STYLE 2", Figures("2") << "modelling...");
        rows.ShowCell(2, 4, "0.5 mm", "why");
        QCOMPARE(At(rows, 2, 4, Qt::DisplayRole).toString(), QString("0.5 mm"));
        QCOMPARE(At(rows, 2, 4, Qt::ToolTipRole).toString(), QString("why"));
        QCOMPARE(At(rows, 2, 3, Qt::DisplayRole).toString(), QString("2 3"));
    }
};

}  // namespace zandrel

QTEST_MAIN(zandrel::ModelTableRowsTest)
#include "model_table_rows_test.moc"
