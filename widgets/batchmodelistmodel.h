#ifndef VISTALOOM_BATCHMODELISTMODEL_H
#define VISTALOOM_BATCHMODELISTMODEL_H

#include <QAbstractTableModel>
#include <QList>
#include <QModelIndexList>

#include <memory>
#include <vector>

class BatchWorkerConfig;

// The batch jobs of the batch mode dialog, one row each. The model owns
// the jobs it holds and deletes those it drops.
class BatchModeListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { FileNameColumn = 0, DestinationColumn, IntervalColumn, OutputExampleColumn, ColumnCount };

    explicit BatchModeListModel(QObject *parent = nullptr);
    ~BatchModeListModel() override;

    void addConfig(std::unique_ptr<BatchWorkerConfig> config);
    void removeConfigs(const QModelIndexList &rows);
    // Refreshes every column of the job's row; a job not held is ignored.
    void configChanged(BatchWorkerConfig *config);
    int rowOf(BatchWorkerConfig *config) const;

    BatchWorkerConfig *configAt(int row) const;
    QList<BatchWorkerConfig *> configs() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<std::unique_ptr<BatchWorkerConfig>> m_configs;
};

#endif
