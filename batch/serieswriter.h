#ifndef VISTALOOM_SERIESWRITER_H
#define VISTALOOM_SERIESWRITER_H

#include "batchevent.h"

#include "imaging/contactsheetbuilder.h"
#include "imaging/spritesheetbuilder.h"

#include <QImage>
#include <QString>

#include <functional>
#include <optional>

class BatchWorkerConfig;

// Writes a job's images: each processed with the job's image profile under
// the first free name of the series in the output folder, and after the
// job, with contactSheet, the sheet of them, and with webVtt, their seek
// previews.
class SeriesWriter
{
public:
    // What the job tells: a line for its log, or a file written.
    using Report = std::function<void(const BatchEvent &event)>;

    SeriesWriter() = default;
    explicit SeriesWriter(const BatchWorkerConfig *config);

    // Starts the series' names: counted for imageCount images; a single
    // shot first tries the name without a counter.
    void start(bool singleShot, int imageCount);
    // The image written for the frame at frameMs, numbered frameNumber
    // (-1 unknown) and a key frame or not (keyFrame 1 or 0, -1 unknown);
    // none when nothing was written.
    std::optional<QImage> write(const QImage &frame, qint64 frameMs, const Report &report, qint64 frameNumber = -1,
                                int keyFrame = -1);
    void writeSheet(const Report &report);
    // With webVtt, the sprite sheets and the WebVTT file of the job's
    // images; durationMs is the video's.
    void writeVtt(const Report &report, qint64 durationMs);

private:
    QString fileNameFor(int counter, qint64 frameMs, qint64 frameNumber) const;

    const BatchWorkerConfig *m_config = nullptr;
    bool m_singleShot = false;
    int m_imageCount = 0;
    int m_fileCounter = 1;
    // The number of the series' first frame, for the names without a counter.
    qint64 m_firstFrameNumber = -1;
    ContactSheetBuilder m_sheet;
    SpriteSheetBuilder m_sprites;
};

#endif
