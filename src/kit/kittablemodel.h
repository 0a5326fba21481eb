#pragma once

#include "budget.h"
#include "sample.h"

#include <QIdentityProxyModel>
#include <QStringList>

#include <functional>

class RecordingReader;

/// The kit's table: the sample list itself (the main window's sampleCombo
/// model), one row an entry, with columns added for what each sample is in
/// the module: its slot, name, note, length in bytes and seconds at its
/// note, loop and ready mark, and whether classic trackers play it whole. It holds no sample of its own, so it always
/// agrees with the combo box. Lengths come from the recordings' headers,
/// read away from the window as rows are shown. Rows are dragged to move
/// them, each move going through \a move (one step of the history); they
/// are never removed or added here.
class KitTableModel : public QIdentityProxyModel
{
    Q_OBJECT

public:
    enum Column {
        SlotColumn,
        NameColumn,
        NoteColumn,
        BytesColumn,
        SecondsColumn,
        LoopColumn,
        ReadyColumn,
        TrackerColumn, // a sample too long for classic trackers, marked as the export's report marks it
        ColumnCount
    };

    KitTableModel(QAbstractItemModel *sampleList, std::function<void(int from, int to)> move, QObject *parent = nullptr);

    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex &index) const override;
    QModelIndex mapToSource(const QModelIndex &proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex &sourceIndex) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &, const QVariant &, int) override { return false; }
    // Rows change through the kit's history alone, never through a view.
    bool removeRows(int, int, const QModelIndex &) override { return false; }
    bool insertRows(int, int, const QModelIndex &) override { return false; }
    bool moveRows(const QModelIndex &, int, int, const QModelIndex &, int) override { return false; }

    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;

    /// The module's size as the table knows it.
    struct ModuleSize
    {
        enum State {
            Known,     // bytes
            Reckoning, // recordings of its slots are still being read
            Unknown    // the length of some (named) cannot be read
        };
        State state = Reckoning;
        qint64 bytes = 0;
        QStringList unknown;
    };
    ModuleSize moduleSize() const;

private:
    /// What the entry at \a row brings to the module, as far as it is read.
    std::optional<BudgetEntry> budgetEntryAt(int row) const;
    QVariant lengthData(int row, int column, int role) const;

    RecordingReader *m_reader;
    std::function<void(int, int)> m_move;
};
