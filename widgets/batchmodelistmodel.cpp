#include "batchmodelistmodel.h"

#include "profiles/batchworkerconfig.h"

#include <QDir>
#include <QtDebug>

BatchModeListModel::BatchModeListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void BatchModeListModel::addConfig(BatchWorkerConfig *config)
{
    const int row = m_configs.size();
    beginInsertRows(QModelIndex(), row, row);
    config->setParent(this);
    m_configs.append(config);
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
        const int row = m_configs.indexOf(config);
        beginRemoveRows(QModelIndex(), row, row);
        m_configs.removeAt(row);
        endRemoveRows();
        delete config;
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
    return m_configs.indexOf(config);
}

BatchWorkerConfig *BatchModeListModel::configAt(int row) const
{
    return row >= 0 && row < m_configs.size() ? m_configs.at(row) : nullptr;
}

QList<BatchWorkerConfig *> BatchModeListModel::configs() const
{
    return m_configs;
}

int BatchModeListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_configs.size();
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
