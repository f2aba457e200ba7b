#ifndef VISTALOOM_BATCHTABLECOLUMNS_H
#define VISTALOOM_BATCHTABLECOLUMNS_H

#include <QList>
#include <QObject>
#include <QSettings>

class QTableView;

// The column widths of the batch mode table: the user's widths from the
// last dialog, narrowed to fit, or fair defaults; every width the header
// takes from its making on is kept for the next dialog. The table's last
// column is stretched and so never kept.
class BatchTableColumns : public QObject
{
    Q_OBJECT

public:
    // Reads the kept widths at once: laying the table out for showing
    // saves its widths of then.
    explicit BatchTableColumns(QTableView *table, QObject *parent = nullptr);

    // Once, when the table first has its width: when its dialog is laid
    // out for showing.
    void layOutOnFirstShow();

private:
    void applyDefaults();
    void fitSaved();
    void save();

    QTableView *m_table;
    QSettings m_settings;
    QList<int> m_saved;
    bool m_laidOut = false;
};

#endif
