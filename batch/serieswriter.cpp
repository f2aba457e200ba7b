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
}

QString SeriesWriter::fileNameFor(int counter, qint64 frameMs) const
{
    return m_config->fileNameProfile()->generateFileName(m_config->sourceBaseName(), counter, m_imageCount, frameMs);
}

std::optional<QImage> SeriesWriter::write(const QImage &frame, qint64 frameMs, const Report &report)
{
    ImageProcessingManager *processing = ImageProcessingManager::instance();
    QImage processed = processing->processImage(frame, m_config->imageProfile());
    if (processed.isNull() && m_config->imageProfile()) {
        const QSize size = ImageProcessingManager::outputSizeFor(frame.size(), *m_config->imageProfile());
        if (ImageProcessingManager::exceedsOutputLimit(size)) {
            report(tr("Output image too large: %1x%2").arg(size.width()).arg(size.height()), true);
            return std::nullopt;
        }
    }

    // A name taken by anything, or claimed by another run a moment ago,
    // moves the counter on; a single shot first tries the name without one.
    int counter = m_singleShot ? 0 : m_fileCounter;
    const OutputFile::FreeName name = OutputFile::claimFirstFree(
        m_config->fileOutputDir(), counter, [&](int n) { return fileNameFor(n == 0 ? -1 : n, frameMs); });
    m_fileCounter = counter + 1;
    if (name.claim != OutputFile::Claim::Claimed) {
        report(tr("Could not save image: ") + QDir::toNativeSeparators(name.path), true);
        return std::nullopt;
    }
    report(QStringLiteral("Saving: ") + name.fileName, false);
    // Written beside the claimed file and renamed over it.
    const ImageMetadata metadata = ImageMetadata::of(m_config->source(), frameMs);
    if (!processing->saveImage(name.path, processed, m_config->imageProfile(), metadata)) {
        OutputFile::release(name.path);
        report(tr("Could not save image: ") + QDir::toNativeSeparators(name.path), true);
        return std::nullopt;
    }
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
    // Named like the series, without a counter.
    const bool written = m_sheet.write(
        header, m_config->fileOutputDir(), fileNameFor(-1, m_sheet.firstMs()), m_config->imageProfile(),
        [&](const QString &fileName) { report(QStringLiteral("Saving: ") + fileName, false); }, &failedPath);
    if (!written)
        report(tr("Could not save image: ") + QDir::toNativeSeparators(failedPath), true);
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
    const QString seriesName = fileNameFor(-1, m_sprites.firstMs());
    const auto saving = [&](const QString &fileName) { report(QStringLiteral("Saving: ") + fileName, false); };
    QVector<WebVttWriter::Cue> cues;
    QString failedPath;
    if (!m_sprites.write(m_config->fileOutputDir(), seriesName, endMs, m_config->imageProfile(), saving, &cues,
                         &failedPath)) {
        report(tr("Could not save image: ") + QDir::toNativeSeparators(failedPath), true);
        return;
    }
    const QString stem = seriesName.left(seriesName.lastIndexOf(QLatin1Char('.')));
    if (!WebVttWriter::write(m_config->fileOutputDir(), stem, cues, saving, &failedPath))
        report(tr("Could not save WebVTT file: ") + QDir::toNativeSeparators(failedPath), true);
}
