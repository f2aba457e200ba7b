#include "batchmodelistmodel.h"

#include "profiles/batchworkerconfig.h"

#include <QDir>
#include <QtDebug>

#include <algorithm>

BatchModeListModel::BatchModeListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

BatchModeListModel::~BatchModeListModel() = default;

void BatchModeListModel::addConfig(std::unique_ptr<BatchWorkerConfig> config)
{
    const int row = int(m_configs.size());
    beginInsertRows(QModelIndex(), row, row);
    m_configs.push_back(std::move(config));
    endInsertRows();
}

void BatchModeListModel::removeConfigs(const QModelIndexList &rows)
{
    // Collect first: every removal shifts the rows after it.
    QList<BatchWorkerConfig *> doomed;
    for (const QModelIndex &index : rows) {
        qDebug() << "Removing index " << index;
        if (BatchWorkerConfig *config = configAt(index.row())) {
            if (!doomed.contains(config))
                doomed.append(config);
        }
    }
    for (BatchWorkerConfig *config : qAsConst(doomed)) {
        const int row = rowOf(config);
        beginRemoveRows(QModelIndex(), row, row);
        // Held until the views have let go of the row.
        const std::unique_ptr<BatchWorkerConfig> removed = std::move(m_configs[size_t(row)]);
        m_configs.erase(m_configs.begin() + row);
        endRemoveRows();
    }
}

void BatchModeListModel::configChanged(BatchWorkerConfig *config)
{
    const int row = rowOf(config);
    if (row < 0)
        return;
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

int BatchModeListModel::rowOf(BatchWorkerConfig *config) const
{
    const auto found = std::find_if(m_configs.cbegin(), m_configs.cend(),
                                    [config](const auto &held) { return held.get() == config; });
    return found == m_configs.cend() ? -1 : int(found - m_configs.cbegin());
}

BatchWorkerConfig *BatchModeListModel::configAt(int row) const
{
    return row >= 0 && row < int(m_configs.size()) ? m_configs[size_t(row)].get() : nullptr;
}

QList<BatchWorkerConfig *> BatchModeListModel::configs() const
{
    QList<BatchWorkerConfig *> result;
    for (const auto &config : m_configs)
        result.append(config.get());
    return result;
}

int BatchModeListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_configs.size());
}

int BatchModeListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant BatchModeListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    const BatchWorkerConfig *config = configAt(index.row());
    if (!config)
        return QVariant();
    switch (index.column()) {
    case FileNameColumn:
        return config->sourceBaseName();
    case DestinationColumn:
        return QDir::toNativeSeparators(config->fileOutputDir().absolutePath());
    case IntervalColumn:
        return config->intervalDescription();
    case OutputExampleColumn:
        return config->fileNameFor(1);
    default:
        return tr("Unknown!");
    }
}

QVariant BatchModeListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case FileNameColumn:
        return tr("File Name");
    case DestinationColumn:
        return tr("Destination");
    case IntervalColumn:
        return tr("Interval");
    case OutputExampleColumn:
        return tr("Output Example");
    default:
        return tr("Unknown!");
    }
}
