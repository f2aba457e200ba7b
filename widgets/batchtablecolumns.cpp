#include "batchtablecolumns.h"

#include "batchmodelistmodel.h"

#include <QHeaderView>
#include <QTableView>

namespace {

const QString tableHeaderKey = QStringLiteral("batchModeDialog_tableHeader");

} // namespace

BatchTableColumns::BatchTableColumns(QTableView *table, QObject *parent)
    : QObject(parent)
    , m_table(table)
{
    // Widths kept as a whole header state, stretched last column included,
    // are not taken.
    const QVariantList widths = m_settings.value(tableHeaderKey).toList();
    for (const QVariant &width : widths)
        m_saved.append(width.toInt());
    // The user's widths and the defaults of a first opening alike.
    connect(table->horizontalHeader(), &QHeaderView::sectionResized, this, &BatchTableColumns::save);
}

void BatchTableColumns::layOutOnFirstShow()
{
    if (m_laidOut)
        return;
    m_laidOut = true;
    if (m_saved.isEmpty())
        applyDefaults();
    else
        fitSaved();
}

void BatchTableColumns::fitSaved()
{
    // Widths kept from a wider dialog are narrowed alike until the last
    // column has room for its title, so the table needs no scroll bar.
    QHeaderView *header = m_table->horizontalHeader();
    const int last = header->count() - 1;
    const int room = m_table->viewport()->width() - header->sectionSizeHint(last);
    int total = 0;
    for (int column = 0; column < last && column < m_saved.size(); ++column)
        total += m_saved.at(column);
    for (int column = 0; column < last && column < m_saved.size(); ++column) {
        int width = m_saved.at(column);
        if (total > 0 && total > room)
            width = qMax(header->minimumSectionSize(), width * qMax(0, room) / total);
        header->resizeSection(column, width);
    }
}

void BatchTableColumns::applyDefaults()
{
    // The destination gets a fair part of the table; the output example,
    // stretched as the last column, the rest.
    QHeaderView *header = m_table->horizontalHeader();
    const int room = m_table->viewport()->width();
    const int fileName = qMax(header->sectionSizeHint(BatchModeListModel::FileNameColumn), room / 5);
    // Wide enough for a usual interval ("Every 10000ms") before any row is there.
    const int interval = qMax(header->sectionSizeHint(BatchModeListModel::IntervalColumn),
                              m_table->fontMetrics().horizontalAdvance(QStringLiteral("Every 10000ms")) + 16);
    header->resizeSection(BatchModeListModel::FileNameColumn, fileName);
    header->resizeSection(BatchModeListModel::IntervalColumn, interval);
    header->resizeSection(BatchModeListModel::DestinationColumn,
                          qMax(header->sectionSizeHint(BatchModeListModel::DestinationColumn),
                               (room - fileName - interval) / 2));
}

void BatchTableColumns::save()
{
    // The last column only fills what the others leave; its width is the
    // dialog's, not the user's, and would not fit a narrower dialog.
    QHeaderView *header = m_table->horizontalHeader();
    QVariantList widths;
    for (int column = 0; column < header->count() - 1; ++column)
        widths.append(header->sectionSize(column));
    m_settings.setValue(tableHeaderKey, widths);
}
