#include "commandlineprocessor.h"

#include "jsonstatusline.h"

#include "imaging/imageprocessingmanager.h"
#include "imaging/outputimagetype.h"
#include "profiles/batchworkerconfig.h"
#include "profiles/filenameprofile.h"
#include "profiles/imageprofile.h"
#include "profiles/timelist.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>

namespace {

// A number option held inside [minimum, maximum]: a count of two billion
// becomes the largest count, not a wrapped one, and so do digits beyond
// 64 bits. Text that is no number counts as 0, as it always did.
qint64 boundedNumber(const QCommandLineParser &parser, const QCommandLineOption &option, qint64 minimum,
                     qint64 maximum)
{
    const QString text = parser.value(option).trimmed();
    bool isNumber = false;
    qint64 value = text.toLongLong(&isNumber);
    static const QRegularExpression digits(QStringLiteral("^[+-]?[0-9]+$"));
    if (!isNumber && digits.match(text).hasMatch())
        value = text.startsWith(QLatin1Char('-')) ? minimum : maximum;
    return qBound(minimum, value, maximum);
}

// A grid given as COLSxROWS, each 1 to most; false for anything else.
bool parseGrid(const QString &text, int most, int *columns, int *rows)
{
    const QRegularExpressionMatch grid = QRegularExpression(QStringLiteral("^(\\d{1,2})x(\\d{1,2})$")).match(text);
    *columns = grid.hasMatch() ? grid.captured(1).toInt() : 0;
    *rows = grid.hasMatch() ? grid.captured(2).toInt() : 0;
    return *columns >= 1 && *rows >= 1 && *columns <= most && *rows <= most;
}

} // namespace

CommandLineProcessor::CommandLineProcessor(QObject *parent)
    : QObject(parent)
{
}

CommandLineProcessor::~CommandLineProcessor() = default;

int CommandLineProcessor::execute(QApplication &app)
{
    QCommandLineParser parser;
    QString errorMessage;
    const int parsed = parseCommandLine(app, parser, &errorMessage);
    if (const int stopped = m_stopSignals.exitCode())
        return stopped;
    switch (parsed) {
    case ParseOk:
        return m_errorCount > 0 ? ExitJobFailed : ExitOk;
    case ParseError:
        // A script reading JSON gets the refusal as its one line.
        if (m_json) {
            print(JsonStatusLine::error(errorMessage));
            return ExitRefused;
        }
        std::fputs(qPrintable(errorMessage), stdout);
        std::fputs("\n", stdout);
        std::fflush(stdout);
        parser.showHelp(ExitRefused);
    case ParseVersionRequested:
        parser.showVersion();
    case ParseHelpRequested:
        parser.showHelp(ExitOk);
    }
    return ExitOk;
}

int CommandLineProcessor::parseCommandLine(QApplication &app, QCommandLineParser &parser, QString *errorMessage)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral("Vistaloom Command line options"));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("source"), tr("Video file to process."), QString());
    parser.addPositionalArgument(QStringLiteral("destination"), tr("Destination directory."),
                                 QStringLiteral("[destination]"));

    const QCommandLineOption countOption(
        QStringList{QStringLiteral("c"), QStringLiteral("count")},
        tr("The number of thumbnails/images to create from a video file. Use this or --ms."), tr("image count"));
    const QCommandLineOption msOption(
        QStringList{QStringLiteral("m"), QStringLiteral("ms")},
        tr("The number of milliseconds to skip each time to to create from a video file. Use this or --count"),
        tr("milliseconds"));
    const QCommandLineOption scenesOption(
        QStringLiteral("scenes"),
        tr("Create one image at the first frame of every shot (scene change). Use this instead of --count or --ms."));
    const QCommandLineOption sceneThresholdOption(
        QStringLiteral("scene-threshold"),
        tr("How much a frame must differ from the one before it to start a new shot, 0 to 100. Used with --scenes."),
        tr("threshold"));
    const QCommandLineOption sceneGapOption(
        QStringLiteral("scene-gap"),
        tr("The shortest time in milliseconds between two scene images. Used with --scenes."), tr("milliseconds"));
    const QCommandLineOption skipFrontOption(
        QStringLiteral("skipfront"), tr("How many milliseconds to ignore from the front of a video before processing."),
        tr("milliseconds"));
    const QCommandLineOption skipBackOption(
        QStringLiteral("skipback"), tr("How many milliseconds to ignore from the back of a video."), tr("milliseconds"));
    const QCommandLineOption heightOption(QStringLiteral("height"), tr("Output image height."), tr("height"));
    const QCommandLineOption widthOption(QStringLiteral("width"), tr("Output image width."), tr("width"));
    const QCommandLineOption cropOption(
        QStringLiteral("crop"),
        tr("With this option the image will be cropped to the height and width specified, possible cutting off parts "
           "of the original video frame."));
    const QCommandLineOption prefixOption(
        QStringLiteral("fileprefix"), tr("Specifies a prefix to append to the image file names."), tr("prefix"));
    const QCommandLineOption nameOption(
        QStringLiteral("filename"), tr("Specify the output file name instead of using the video file name for output."),
        tr("name"));
    const QCommandLineOption suffixOption(
        QStringLiteral("filesuffix"), tr("Specifies a suffix to append to the image file names."), tr("suffix"));
    const QCommandLineOption typeOption(
        QStringLiteral("filetype"),
        tr("Specifies the file type of the output image. %1.")
            .arg(OutputImageType::allNames().join(QStringLiteral(", "))),
        tr("type"));
    const QCommandLineOption fastOption(
        QStringLiteral("fast"),
        tr("Takes the key frame nearest to each position instead of the exact frame: much faster on long videos."));
    const QCommandLineOption smartOption(
        QStringLiteral("smart"),
        tr("Avoids black, white, noisy and blurred frames: takes the sharpest frame that is not near-black, "
           "near-white or mostly noise within one second of each position and within its shot. With --fast the key "
           "frames are taken as they are."));
    const QCommandLineOption sheetOption(
        QStringLiteral("sheet"),
        tr("After the job, also writes a contact sheet of its images in a grid of COLSxROWS (each 1 to 20), for "
           "example 4x3."),
        tr("COLSxROWS"));
    const QCommandLineOption qualityOption(
        QStringLiteral("quality"), tr("The quality of lossy output images, 0 to 100 (90 unless set)."),
        tr("quality"));
    const QCommandLineOption jsonOption(
        QStringLiteral("json"),
        tr("Prints every status line as one JSON object per line: saved (once the file is complete, with its path, "
           "time, frame number and whether it is a key frame), info, error, early_end and done."));
    const QCommandLineOption vttOption(
        QStringLiteral("vtt"),
        tr("After the job, also writes seek previews for web players: the images as tiles in sprite sheets of at "
           "most COLSxROWS (each 1 to 20), for example 5x5, and a WebVTT file pointing at them."),
        tr("COLSxROWS"));
    const QCommandLineOption logOption(
        QStringLiteral("log"), tr("Logs any errors messages to the file specified"), tr("file name"));
    for (const QCommandLineOption &option : {countOption, msOption, scenesOption, sceneThresholdOption,
                                             sceneGapOption, skipFrontOption, skipBackOption, heightOption,
                                             widthOption, cropOption, prefixOption, nameOption, suffixOption,
                                             typeOption, logOption, fastOption, smartOption,
                                             sheetOption, qualityOption, jsonOption, vttOption})
        parser.addOption(option);
    const QCommandLineOption atOption(
        QStringLiteral("at"),
        tr("One image at each listed position, in the order given, each the exact frame nearest to it (ties to the "
           "earlier one). Positions are separated by commas: seconds (83.456), mm:ss.mmm, hh:mm:ss.mmm, or a frame "
           "number counted from 0 after f (f2000). Use this instead of --count, --ms or --scenes; --skipfront and "
           "--skipback do not apply. With --fast each position takes its nearest key frame, with --smart the best "
           "frame within one second of it."),
        tr("list"));
    parser.addOption(atOption);

    parser.process(app);
    m_json = parser.isSet(jsonOption);

    if (parser.isSet(versionOption))
        return ParseVersionRequested;
    if (parser.isSet(helpOption))
        return ParseHelpRequested;

    BatchWorkerConfig config;

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        *errorMessage = tr("A file name is required");
        return ParseError;
    }

    config.setSource(positional.at(0));
    const QFileInfo source(config.source());
    if (!source.isFile()) {
        // A folder, a pipe or a device is there, just not a file to read.
        *errorMessage = (source.exists() ? tr("Not a video file: ") : tr("File not found: ")) + config.source();
        return ParseError;
    }

    if (positional.size() > 1) {
        QString destination = positional.at(1);
        // A quoted Windows folder ending in a backslash arrives with a
        // trailing double quote.
        if (!QFileInfo(destination).isDir() && destination.endsWith(QLatin1Char('"')))
            destination.chop(1);
        if (!QFileInfo(destination).isDir()) {
            *errorMessage = QStringLiteral("Output folder is incorrect or does not exist: ") + destination;
            return ParseError;
        }
        config.setFileOutputDir(QDir(destination));
    }

    if (parser.isSet(countOption) && parser.isSet(msOption)) {
        *errorMessage = QStringLiteral("Please only set count or milliseconds");
        return ParseError;
    }
    if (parser.isSet(scenesOption) && parser.isSet(countOption)) {
        *errorMessage = QStringLiteral("Please only set scenes or count");
        return ParseError;
    }
    if (parser.isSet(scenesOption) && parser.isSet(msOption)) {
        *errorMessage = QStringLiteral("Please only set scenes or milliseconds");
        return ParseError;
    }
    if (parser.isSet(atOption)) {
        const QString other = parser.isSet(countOption) ? QStringLiteral("count")
            : parser.isSet(msOption)                    ? QStringLiteral("milliseconds")
            : parser.isSet(scenesOption)                ? QStringLiteral("scenes")
                                                        : QString();
        if (!other.isEmpty()) {
            *errorMessage = QStringLiteral("Please only set at or ") + other;
            return ParseError;
        }
        if (TimeList::parse(parser.value(atOption), errorMessage).isEmpty())
            return ParseError;
        config.setIntervalType(BatchWorkerConfig::AtTimes);
        config.setAtTimes(parser.value(atOption));
    }

    FileNameProfile *fileNames = config.fileNameProfile();
    ImageProfile *image = config.imageProfile();

    if (parser.isSet(msOption)) {
        config.setIntervalType(BatchWorkerConfig::EveryMilliseconds);
        config.setIntervalMilliseconds(
            int(boundedNumber(parser, msOption, 0, BatchWorkerConfig::MaxIntervalMilliseconds)));
    }
    if (parser.isSet(countOption)) {
        const int count = int(boundedNumber(parser, countOption, 0, BatchWorkerConfig::MaxIntervalImages));
        config.setIntervalType(BatchWorkerConfig::ImageCount);
        config.setIntervalImages(count);
        if (count == 1)
            fileNames->setFileOutputSuffix(QString());
    }
    if (parser.isSet(scenesOption))
        config.setIntervalType(BatchWorkerConfig::SceneChange);
    if (parser.isSet(sceneThresholdOption))
        config.setSceneThreshold(
            int(boundedNumber(parser, sceneThresholdOption, 0, BatchWorkerConfig::MaxSceneThreshold)));
    if (parser.isSet(sceneGapOption))
        config.setSceneMinGapMilliseconds(
            int(boundedNumber(parser, sceneGapOption, 0, BatchWorkerConfig::MaxIntervalMilliseconds)));
    if (parser.isSet(skipFrontOption))
        config.setSkipFront(boundedNumber(parser, skipFrontOption, 0, BatchWorkerConfig::MaxSkipMilliseconds));
    if (parser.isSet(skipBackOption))
        config.setSkipBack(boundedNumber(parser, skipBackOption, 0, BatchWorkerConfig::MaxSkipMilliseconds));

    // A negative side stays negative, so it is still refused below.
    int width = 0;
    int height = 0;
    if (parser.isSet(widthOption))
        width = int(boundedNumber(parser, widthOption, -1, ImageProfile::MaxImageSide));
    if (parser.isSet(heightOption))
        height = int(boundedNumber(parser, heightOption, -1, ImageProfile::MaxImageSide));
    if (width > 0 && height > 0) {
        image->setImageWidth(width);
        image->setImageHeight(height);
        image->setSameSizeAsVideo(false);
    } else if (width == 0 && height == 0) {
        image->setSameSizeAsVideo(true);
    } else {
        *errorMessage = tr("Both width and height must be specified if one is provided");
        return ParseError;
    }
    if (parser.isSet(cropOption))
        image->setCropImage(true);

    if (parser.isSet(prefixOption))
        fileNames->setFileOutputPrefix(parser.value(prefixOption));
    if (parser.isSet(nameOption))
        fileNames->setFileBaseName(parser.value(nameOption));
    if (parser.isSet(suffixOption))
        fileNames->setFileOutputSuffix(parser.value(suffixOption));
    if (parser.isSet(typeOption)) {
        // Refused here, not after every image of the job has failed to save.
        const QString type = parser.value(typeOption);
        const QStringList types = ImageProcessingManager::outputTypes();
        if (!types.contains(type, Qt::CaseInsensitive)) {
            *errorMessage = tr("Unknown file type: %1. Use one of: %2").arg(type, types.join(QStringLiteral(", ")));
            return ParseError;
        }
        fileNames->setFileOutputType(type);
    }

    if (parser.isSet(qualityOption)) {
        bool isNumber = false;
        const int quality = parser.value(qualityOption).trimmed().toInt(&isNumber);
        if (!isNumber || quality < 0 || quality > ImageProfile::MaxQuality) {
            *errorMessage = tr("The quality must be a number from 0 to %1").arg(ImageProfile::MaxQuality);
            return ParseError;
        }
        image->setImageQuality(quality);
    }

    if (parser.isSet(fastOption))
        config.setFastSeek(true);
    if (parser.isSet(smartOption))
        config.setSmartPick(true);
    if (parser.isSet(sheetOption)) {
        int columns = 0;
        int rows = 0;
        const int most = BatchWorkerConfig::MaxContactSheetCells;
        if (!parseGrid(parser.value(sheetOption), most, &columns, &rows)) {
            *errorMessage = tr("The sheet must be given as columns x rows, each 1 to %1, for example 4x3").arg(most);
            return ParseError;
        }
        config.setContactSheet(true);
        config.setContactSheetColumns(columns);
        config.setContactSheetRows(rows);
    }
    if (parser.isSet(vttOption)) {
        int columns = 0;
        int rows = 0;
        const int most = BatchWorkerConfig::MaxWebVttCells;
        if (!parseGrid(parser.value(vttOption), most, &columns, &rows)) {
            *errorMessage =
                tr("The sprite sheets must be given as columns x rows, each 1 to %1, for example 5x5").arg(most);
            return ParseError;
        }
        config.setWebVtt(true);
        config.setWebVttColumns(columns);
        config.setWebVttRows(rows);
    }

    if (parser.isSet(logOption)) {
        m_log = std::make_unique<QFile>(parser.value(logOption));
        if (!m_log->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            *errorMessage = QStringLiteral("Cannot open log file: ") + parser.value(logOption);
            m_log.reset();
            return ParseError;
        }
    }

    // The duration lets automatic zero padding count the images.
    config.loadVideoInfo();
    config.setReportsFrameNumbers(m_json);

    {
        BatchWorker worker;
        worker.setConfig(&config);
        connect(&worker, &BatchWorker::batchEvent, this, &CommandLineProcessor::jobEvent);
        connect(&worker, &BatchWorker::imageReady, this, [this](BatchWorker *, QImage &) { ++m_imageCount; });
        m_stopSignals.watch(&worker);
        worker.run();
        m_stopSignals.watch(nullptr);
    }
    // One line a script or a person can check the whole job by.
    print(m_json ? JsonStatusLine::done(m_imageCount, m_errorCount)
                 : QStringLiteral("Done: %1 images written, %2 errors\n").arg(m_imageCount).arg(m_errorCount).toUtf8());
    return ParseOk;
}

void CommandLineProcessor::print(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    std::fflush(stdout);
}

void CommandLineProcessor::jobEvent(BatchWorker *worker, const BatchEvent &event)
{
    Q_UNUSED(worker)
    const QByteArray line = event.text.toUtf8() + '\n';
    if (m_json)
        print(JsonStatusLine::of(event));
    else if (event.isStatusLine())
        print(line);
    if (event.isError()) {
        ++m_errorCount;
        if (m_log) {
            m_log->write(line);
            m_log->flush();
        }
    }
}
