// Extracts images at the given positions with FrameGrabber and writes each
// as a JPEG of quality 90 through the programs' own writer, the way the
// batch engine uses the grabber:
//   vistaloom-bench-grabber VIDEO OUTPUT_FOLDER MS [MS...]
// With FAST=1 in the environment each position takes the nearest key frame.
// Prints one line per image and the total time.

#include "imaging/imageprocessingmanager.h"
#include "media/framegrabber.h"
#include "media/memorypolicy.h"
#include "profiles/imageprofile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    MemoryPolicy::apply();
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 4) {
        std::fprintf(stderr, "usage: %s VIDEO OUTPUT_FOLDER MS [MS...]\n", argv[0]);
        return 1;
    }
    const QString folder = arguments.at(2);
    QDir().mkpath(folder);

    QElapsedTimer timer;
    timer.start();
    FrameGrabber grabber(nullptr);
    grabber.setSource(arguments.at(1));
    grabber.setPrecision(0);
    grabber.setKeyFramesOnly(qEnvironmentVariableIntValue("FAST") == 1);
    if (grabber.duration() < 0) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(arguments.at(1)));
        return 1;
    }

    ImageProfile jpegProfile;
    jpegProfile.setImageQuality(90);
    int failures = 0;
    int index = 0;
    QObject::connect(&grabber, &FrameGrabber::frameExtracted, [&](const VideoFrame &frame) {
        const QImage image = frame.toImage();
        const QString path = QStringLiteral("%1/image-%2.jpg").arg(folder).arg(index, 3, 10, QLatin1Char('0'));
        if (!ImageProcessingManager::instance()->saveImage(path, image, &jpegProfile)) {
            std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
            ++failures;
        }
        std::printf("image %d at %.3f s\n", index, frame.timestamp());
    });
    auto report = [&](const QString &message) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        ++failures;
    };
    QObject::connect(&grabber, &FrameGrabber::error, report);
    QObject::connect(&grabber, &FrameGrabber::aborted, report);

    for (int i = 3; i < arguments.size(); ++i, ++index) {
        grabber.setPosition(arguments.at(i).toLongLong());
        grabber.extract();
    }
    std::printf("grabber_ms=%lld\n", static_cast<long long>(timer.elapsed()));
    return failures == 0 ? 0 : 2;
}
