#include "model_table_rows.h"

#include <QColor>
#include <QFont>
#include <QSize>

namespace zandrel {

namespace {

const QColor FailedColour(176, 0, 0);

}  // namespace

ModelTableRows::ModelTableRows(int styles, int columns, QObject* parent)
    : QAbstractTableModel(parent), columns_(columns), rows_(static_cast<std::size_t>(styles)) {}

int ModelTableRows::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ModelTableRows::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_;
}

QVariant ModelTableRows::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return {};
    }
    const Row& row = At(index.row());
    const auto column = static_cast<std::size_t>(index.column());
    const Cell* cell = column < row.Cells.size() ? &row.Cells[column] : nullptr;
    // The caption is the first column; a spanned row's one text is in the second.
    const bool caption = index.column() == 0;
    const bool words = index.column() == 1 && row.Spanned;
    switch (role) {
        case Qt::DisplayRole:
            return cell != nullptr ? cell->Text : QString();
        case Qt::ToolTipRole:
            return cell != nullptr && !cell->Tip.isEmpty() ? QVariant(cell->Tip) : QVariant();
        case Qt::FontRole:
            if ((caption && !row.Tuned) || words) {
                QFont font;
                font.setBold(caption);
                font.setItalic(words);
                return font;
            }
            return {};
        case Qt::ForegroundRole:
            return words && row.Failed ? QVariant(FailedColour) : QVariant();
        case Qt::SizeHintRole:
            // The one text over a row widens no column of figures.
            return words ? QVariant(QSize(0, 0)) : QVariant();
        default:
            return {};
    }
}

QVariant ModelTableRows::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        return headers_.value(section);
    }
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole) {
        return headerTips_.value(section);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

void ModelTableRows::SetHeaders(const QStringList& texts, const QStringList& tips) {
    headers_ = texts;
    headerTips_ = tips;
    emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
}

void ModelTableRows::ShowStyle(int style, const QString& caption, const QStringList& texts,
                               const QString& tip, bool failed) {
    Row shown;
    shown.Cells.push_back({caption, {}});
    for (int column = 1; column < columns_; ++column) {
        shown.Cells.push_back({texts.value(column - 1), tip});
    }
    shown.Spanned = texts.size() == 1 && columns_ > 2;
    shown.Failed = failed;
    Show(RowOfStyle(style), std::move(shown));
}

void ModelTableRows::ShowTuned(int style, const QString& caption, const QString& captionTip,
                               const QStringList& texts) {
    if (tunedStyle_ && *tunedStyle_ != style) {
        RemoveTuned();
    }
    if (!tunedStyle_) {
        beginInsertRows({}, style + 1, style + 1);
        rows_.insert(rows_.begin() + style + 1, Row{});
        tunedStyle_ = style;
        endInsertRows();
        emit SpansChanged();
    }
    Row shown;
    shown.Tuned = true;
    shown.Cells.push_back({caption, captionTip});
    for (int column = 1; column < columns_; ++column) {
        shown.Cells.push_back({texts.value(column - 1), {}});
    }
    Show(style + 1, std::move(shown));
}

void ModelTableRows::RemoveTuned() {
    if (!tunedStyle_) {
        return;
    }
    const int row = *tunedStyle_ + 1;
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    tunedStyle_.reset();
    endRemoveRows();
    emit SpansChanged();
}

void ModelTableRows::ShowCell(int row, int column, const QString& text, const QString& tip) {
    Row& shown = At(row);
    shown.Cells.resize(static_cast<std::size_t>(columns_));
    shown.Cells.at(static_cast<std::size_t>(column)) = {text, tip};
    emit dataChanged(index(row, column), index(row, column));
}

int ModelTableRows::StyleOfRow(int row) const {
    return tunedStyle_ && row > *tunedStyle_ ? row - 1 : row;
}

int ModelTableRows::RowOfStyle(int style) const {
    return tunedStyle_ && style > *tunedStyle_ ? style + 1 : style;
}

bool ModelTableRows::IsTunedRow(int row) const { return tunedStyle_ && row == *tunedStyle_ + 1; }

std::optional<int> ModelTableRows::TunedRow() const {
    return tunedStyle_ ? std::optional<int>(*tunedStyle_ + 1) : std::nullopt;
}

bool ModelTableRows::IsSpanned(int row) const { return At(row).Spanned; }

void ModelTableRows::Show(int row, Row shown) {
    Row& kept = At(row);
    const bool spansChanged = kept.Spanned != shown.Spanned;
    kept = std::move(shown);
    emit dataChanged(index(row, 0), index(row, columns_ - 1));
    if (spansChanged) {
        emit SpansChanged();
    }
}

ModelTableRows::Row& ModelTableRows::At(int row) { return rows_.at(static_cast<std::size_t>(row)); }

const ModelTableRows::Row& ModelTableRows::At(int row) const {
    return rows_.at(static_cast<std::size_t>(row));
}

}  // namespace zandrel
