#ifndef VISTALOOM_CONTACTSHEETBUILDER_H
#define VISTALOOM_CONTACTSHEETBUILDER_H

#include "outputfile.h"

#include <QDir>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class ImageProfile;

// Gathers a job's images as they are written and, after the job, writes
// the contact sheet of them (see ContactSheet) beside them.
class ContactSheetBuilder
{
public:
    // columns and rows of the sheet, each at least 1.
    ContactSheetBuilder(int columns = 1, int rows = 1);

    // An image written at path, of the frame at ms: written is what was
    // written, frame the frame it was made from.
    void add(const QString &path, qint64 ms, const QImage &written, const QImage &frame);
    bool isEmpty() const { return m_images.isEmpty(); }
    // The time of the earliest image.
    qint64 firstMs() const;

    // Renders the sheet under header and writes it into folder, named like
    // the series (seriesName, with its type) with "-sheet" before the type;
    // a taken name moves on to "-sheet-2" and so on. saving is told the
    // name once it is claimed. On failure the claimed file is removed and
    // the path that could not be written is returned in failedPath.
    bool write(const QStringList &header, const QDir &folder, const QString &seriesName, ImageProfile *profile,
               const std::function<void(const QString &fileName)> &saving, QString *failedPath);

private:
    // An image written for the sheet: its path and frame time, and when the
    // output is smaller than a tile, the frame itself at tile size (at
    // most), so the sheet is not made of upscaled small outputs.
    struct SheetImage {
        QString path;
        qint64 ms = 0;
        QImage tile;
    };

    QVector<int> spread();
    void thin();

    int m_cells = 1;
    int m_columns = 1;
    int m_rows = 1;
    QVector<SheetImage> m_images;
};

#endif
