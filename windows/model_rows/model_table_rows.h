// The rows of the model window's table: one for each style, in the calculator's order, and the
// tuned row under the style it was tuned from; each cell's text and tip and how a row looks.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <optional>
#include <vector>

namespace zandrel {

class ModelTableRows : public QAbstractTableModel {
    Q_OBJECT

  public:
    ModelTableRows(int styles, int columns, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The columns' headers and the tips that say what each column's figure is.
    void SetHeaders(const QStringList& texts, const QStringList& tips);
    // A style's row: its caption, in bold, and its figures; or one text over the rest of the
    // row that says what the row is waiting for, or, failed, why it has no figures (in red).
    void ShowStyle(int style, const QString& caption, const QStringList& texts,
                   const QString& tip = {}, bool failed = false);
    // The tuned row, under the row of the style it was tuned from; made if there is none, or
    // moved there from under another style.
    void ShowTuned(int style, const QString& caption, const QString& captionTip,
                   const QStringList& texts);
    void RemoveTuned();
    // One cell, by its row in the table.
    void ShowCell(int row, int column, const QString& text, const QString& tip = {});

    // The style a row shows or, for the tuned row, was tuned from.
    int StyleOfRow(int row) const;
    int RowOfStyle(int style) const;
    bool IsTunedRow(int row) const;
    std::optional<int> TunedRow() const;
    // Whether the row holds one text over every column after its caption.
    bool IsSpanned(int row) const;

  signals:
    // A row became one text over its columns, or figures again.
    void SpansChanged();

  private:
    struct Cell {
        QString Text;
        QString Tip;
    };
    struct Row {
        std::vector<Cell> Cells;  // the caption first
        bool Tuned = false;
        bool Spanned = false;
        bool Failed = false;
    };
    void Show(int row, Row shown);
    Row& At(int row);
    const Row& At(int row) const;

    int columns_;
    std::vector<Row> rows_;
    std::optional<int> tunedStyle_;
    QStringList headers_;
    QStringList headerTips_;
};

}  // namespace zandrel
