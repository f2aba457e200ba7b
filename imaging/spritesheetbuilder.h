#ifndef VISTALOOM_SPRITESHEETBUILDER_H
#define VISTALOOM_SPRITESHEETBUILDER_H

#include "webvttwriter.h"

#include <QDir>
#include <QImage>
#include <QRect>
#include <QString>
#include <QVector>

#include <functional>

class ImageProfile;

// Gathers a job's images as they are written and, after the job, lays them
// out as tiles of their own size in sprite sheets for a web player's seek
// previews, giving the WebVTT cue of each tile.
class SpriteSheetBuilder
{
public:
    // columns and rows of a sheet, each at least 1.
    SpriteSheetBuilder(int columns = 1, int rows = 1);

    // An image written at path, of the frame at ms.
    void add(const QString &path, qint64 ms);
    bool isEmpty() const { return m_images.isEmpty(); }
    qint64 firstMs() const;
    qint64 lastMs() const;

    // The type sprites of a series of this type are written in: the
    // series' own where browsers show it, else JPEG.
    static QString spriteType(const QString &seriesType);

    // Writes the sheets into folder, named like the series (seriesName,
    // with its type) with "-sprite-1", "-sprite-2" ... before the type; a
    // taken name moves the counter on. Each tile is the image read back as
    // it was written; the last cue ends at endMs (at least after the last
    // image). saving is told each name once it is claimed. On failure the
    // claimed file is removed and the path that could not be written is
    // returned in failedPath; sheets written before it stay.
    bool write(const QDir &folder, const QString &seriesName, qint64 endMs, ImageProfile *profile,
               const std::function<void(const QString &fileName)> &saving, QVector<WebVttWriter::Cue> *cues,
               QString *failedPath);

private:
    struct SpriteImage {
        QString path;
        qint64 ms = 0;
    };

    void sort();
    QImage render(int first, int count, int columns, QSize &tileSize, QVector<QRect> *rects) const;

    int m_columns = 1;
    int m_rows = 1;
    QVector<SpriteImage> m_images;
};

#endif
