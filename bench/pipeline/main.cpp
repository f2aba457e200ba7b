// Times the image pipeline on a 1920x1080 frame: fit into 640x480 with a
// contrast change and a text watermark, then save as JPEG at quality 90.
// Prints the median as "pipeline_ms_per_image=<ms>" for bench/run.sh.

#include "imaging/imageprocessingmanager.h"
#include "profiles/imageprofile.h"
#include "profiles/watermarkprofile.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Gradients, bars and grain, so JPEG has a realistic amount of detail.
QImage benchmarkFrame()
{
    QImage frame(1920, 1080, QImage::Format_ARGB32);
    quint32 noise = 2463534242u;
    for (int y = 0; y < frame.height(); ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(frame.scanLine(y));
        for (int x = 0; x < frame.width(); ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const int grain = int(noise & 0x0f);
            const int bar = (x / 240) % 2 ? 60 : 0;
            row[x] = qRgb((x * 255 / 1919 + grain) & 0xff, (y * 255 / 1079 + bar) & 0xff,
                          ((x ^ y) & 0x7f) + grain);
        }
    }
    return frame;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

} // namespace

int main(int argc, char *argv[])
{
    // Fonts need a GUI application; no display is needed for that.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // The watermark's debug lines would otherwise be timed too.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));

    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption iterationsOption(QStringLiteral("iterations"), QStringLiteral("Timed runs."),
                                        QStringLiteral("n"), QStringLiteral("60"));
    parser.addOption(iterationsOption);
    parser.process(app);
    const int iterations = qMax(1, parser.value(iterationsOption).toInt());
    const int warmUp = 5;

    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "Cannot create a temporary folder\n");
        return 1;
    }
    const QString fileName = folder.filePath(QStringLiteral("frame.jpg"));

    ImageProfile imageProfile;
    imageProfile.setSameSizeAsVideo(false);
    imageProfile.setImageWidth(640);
    imageProfile.setImageHeight(480);
    imageProfile.setImageContrast(20);
    imageProfile.setImageQuality(90);
    WatermarkProfile watermark;
    watermark.setText(QStringLiteral("Vistaloom"));
    watermark.setTextFont(QFont(QStringLiteral("DejaVu Sans"), 24));
    watermark.setTextShadowXOffset(2);
    watermark.setTextShadowYOffset(2);

    const QImage frame = benchmarkFrame();
    ImageProcessingManager *manager = ImageProcessingManager::instance();
    std::vector<double> total, processing, saving;
    for (int i = 0; i < warmUp + iterations; ++i) {
        QElapsedTimer timer;
        timer.start();
        const QImage processed = manager->processImage(frame, &imageProfile, &watermark);
        const qint64 processed_ns = timer.nsecsElapsed();
        if (processed.size() != QSize(640, 360)
            || !manager->saveImage(fileName, processed, &imageProfile)) {
            std::fprintf(stderr, "The pipeline failed\n");
            return 1;
        }
        const qint64 total_ns = timer.nsecsElapsed();
        if (i < warmUp)
            continue;
        total.push_back(total_ns / 1e6);
        processing.push_back(processed_ns / 1e6);
        saving.push_back((total_ns - processed_ns) / 1e6);
    }

    std::printf("pipeline: 1920x1080 -> 640x360 fit, contrast 20, text watermark, JPEG quality 90; %d runs\n",
                iterations);
    std::printf("pipeline: median %.3f ms (process %.3f ms, save %.3f ms), fastest %.3f ms\n",
                median(total), median(processing), median(saving),
                *std::min_element(total.begin(), total.end()));
    std::printf("pipeline_ms_per_image=%.3f\n", median(total));
    return 0;
}
