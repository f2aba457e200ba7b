#include "serieswriter.h"

#include "imaging/contactsheet.h"
#include "imaging/imageprocessingmanager.h"
#include "imaging/outputfile.h"
#include "media/videoinfo.h"
#include "profiles/batchworkerconfig.h"
#include "profiles/filenameprofile.h"
#include "profiles/imageprofile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>

namespace {

// The job's messages, as the worker tells them.
QString tr(const char *text)
{
    return QCoreApplication::translate("BatchWorker", text);
}

} // namespace

SeriesWriter::SeriesWriter(const BatchWorkerConfig *config)
    : m_config(config)
    , m_sheet(config->contactSheetColumns(), config->contactSheetRows())
    , m_sprites(config->webVttColumns(), config->webVttRows())
{
}

void SeriesWriter::start(bool singleShot, int imageCount)
{
    m_singleShot = singleShot;
    m_imageCount = imageCount;
    m_fileCounter = 1;
    m_firstFrameNumber = -1;
}

QString SeriesWriter::fileNameFor(int counter, qint64 frameMs, qint64 frameNumber) const
{
    return m_config->fileNameProfile()->generateFileName(m_config->sourceBaseName(), counter, m_imageCount, frameMs,
                                                         frameNumber);
}

std::optional<QImage> SeriesWriter::write(const QImage &frame, qint64 frameMs, const Report &report,
                                          qint64 frameNumber, int keyFrame)
{
    ImageProcessingManager *processing = ImageProcessingManager::instance();
    QImage processed = processing->processImage(frame, m_config->imageProfile());
    if (processed.isNull() && m_config->imageProfile()) {
        const QSize size = ImageProcessingManager::outputSizeFor(frame.size(), *m_config->imageProfile());
        if (ImageProcessingManager::exceedsOutputLimit(size)) {
            report(BatchEvent::error(tr("Output image too large: %1x%2").arg(size.width()).arg(size.height())));
            return std::nullopt;
        }
    }

    // A name taken by anything, or claimed by another run a moment ago,
    // moves the counter on; a single shot first tries the name without one.
    int counter = m_singleShot ? 0 : m_fileCounter;
    const OutputFile::FreeName name = OutputFile::claimFirstFree(
        m_config->fileOutputDir(), counter, [&](int n) { return fileNameFor(n == 0 ? -1 : n, frameMs, frameNumber); });
    m_fileCounter = counter + 1;
    if (name.claim != OutputFile::Claim::Claimed) {
        report(BatchEvent::error(tr("Could not save image: ") + QDir::toNativeSeparators(name.path)));
        return std::nullopt;
    }
    report(BatchEvent::saving(name.fileName));
    // Written beside the claimed file and renamed over it.
    ImageMetadata metadata = ImageMetadata::of(m_config->source(), frameMs);
    metadata.frame = frameNumber;
    if (!processing->saveImage(name.path, processed, m_config->imageProfile(), metadata)) {
        OutputFile::release(name.path);
        report(BatchEvent::error(tr("Could not save image: ") + QDir::toNativeSeparators(name.path)));
        return std::nullopt;
    }
    report(BatchEvent::saved(name.path, frameMs, frameNumber, keyFrame));
    if (m_firstFrameNumber < 0)
        m_firstFrameNumber = frameNumber;
    if (m_config->contactSheet())
        m_sheet.add(name.path, frameMs, processed, frame);
    if (m_config->webVtt())
        m_sprites.add(name.path, frameMs);
    return processed;
}

void SeriesWriter::writeSheet(const Report &report)
{
    if (!m_config->contactSheet() || m_sheet.isEmpty())
        return;
    VideoInfo info;
    info.load(m_config->source());
    const QFileInfo video(m_config->source());
    const QStringList header{
        video.fileName(),
        tr("Duration: %1   Size: %2x%3   Frame rate: %4 fps   Codec: %5   File size: %6")
            .arg(ContactSheet::timeText(info.duration()))
            .arg(info.displaySize().width())
            .arg(info.displaySize().height())
            .arg(QString::number(info.frameRate(), 'g', 6))
            .arg(info.codecName().isEmpty() ? tr("unknown") : info.codecName())
            .arg(QLocale::c().formattedDataSize(video.size())),
    };
    QString failedPath;
    QString savingName;
    // Named like the series, without a counter.
    const bool written = m_sheet.write(
        header, m_config->fileOutputDir(), fileNameFor(-1, m_sheet.firstMs(), m_firstFrameNumber),
        m_config->imageProfile(),
        [&](const QString &fileName) {
            savingName = fileName;
            report(BatchEvent::saving(fileName));
        },
        &failedPath);
    if (!written)
        report(BatchEvent::error(tr("Could not save image: ") + QDir::toNativeSeparators(failedPath)));
    else
        report(BatchEvent::saved(m_config->fileOutputDir().filePath(savingName)));
}

void SeriesWriter::writeVtt(const Report &report, qint64 durationMs)
{
    if (!m_config->webVtt() || m_sprites.isEmpty())
        return;
    // The last cue lasts to the end of the span, or of the video when the
    // span was too short for the images.
    const qint64 spanEndMs = durationMs - m_config->skipBack();
    const qint64 endMs = spanEndMs > m_sprites.lastMs() ? spanEndMs : durationMs;
    // Named like the series, without a counter.
    const QString seriesName = fileNameFor(-1, m_sprites.firstMs(), m_firstFrameNumber);
    // A file is written once the next one is begun, or the writing ends well.
    QString pending;
    const auto written = [&] {
        if (!pending.isEmpty())
            report(BatchEvent::saved(m_config->fileOutputDir().filePath(pending)));
        pending.clear();
    };
    const auto saving = [&](const QString &fileName) {
        written();
        pending = fileName;
        report(BatchEvent::saving(fileName));
    };
    QVector<WebVttWriter::Cue> cues;
    QString failedPath;
    if (!m_sprites.write(m_config->fileOutputDir(), seriesName, endMs, m_config->imageProfile(), saving, &cues,
                         &failedPath)) {
        report(BatchEvent::error(tr("Could not save image: ") + QDir::toNativeSeparators(failedPath)));
        return;
    }
    written();
    const QString stem = seriesName.left(seriesName.lastIndexOf(QLatin1Char('.')));
    if (!WebVttWriter::write(m_config->fileOutputDir(), stem, cues, saving, &failedPath))
        report(BatchEvent::error(tr("Could not save WebVTT file: ") + QDir::toNativeSeparators(failedPath)));
    else
        written();
}
