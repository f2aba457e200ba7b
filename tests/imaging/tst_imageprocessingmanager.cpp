#include "testmain.h"

#include "imagetestutils.h"

#include "imaging/imageprocessingmanager.h"
#include "profiles/imageprofile.h"
#include "profiles/profilemanager.h"
#include "profiles/watermarkprofile.h"

#include <QPainter>

#include <opencv2/core.hpp>

using namespace ImageTestUtils;

namespace {

const QRgb Red = qRgb(255, 0, 0);
const QRgb Green = qRgb(0, 255, 0);
const QRgb Blue = qRgb(0, 0, 255);

// Red outside the part a crop must keep, a green band along the inner
// edges of that part and blue inside it. After scaling, the border rows
// and columns of the result are pure green only if the kept rectangle is
// exactly right: one column too many brings in red, one too few blue.
QImage cropFixture(const QSize &size, const QRect &kept, int band)
{
    QImage image = filled(size.width(), size.height(), QColor(Red));
    QPainter painter(&image);
    painter.fillRect(kept, QColor(Green));
    painter.fillRect(kept.adjusted(band, band, -band, -band), QColor(Blue));
    return image;
}

// Every pixel differs from its neighbours, so a resample would show.
QImage texturedImage(int width, int height, QImage::Format format = QImage::Format_ARGB32)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 37 + y * 11) & 0xff, (x * 5 + y * 53) & 0xff, (x * y + 7) & 0xff));
    }
    return image.convertToFormat(format);
}

bool samePixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return false;
    const QImage left = a.convertToFormat(QImage::Format_ARGB32);
    const QImage right = b.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < left.height(); ++y) {
        if (memcmp(left.constScanLine(y), right.constScanLine(y), size_t(left.width()) * 4) != 0)
            return false;
    }
    return true;
}

} // namespace

class TestImageProcessingManager : public QObject
{
    Q_OBJECT

private slots:
    void fitAndCropKeepTheRightPart_data()
    {
        QTest::addColumn<QSize>("source");
        QTest::addColumn<QSize>("target");
        QTest::addColumn<bool>("crop");
        QTest::addColumn<QRect>("kept");
        QTest::addColumn<QSize>("expected");

        QTest::newRow("landscape fit") << QSize(1920, 1080) << QSize(640, 480) << false
                                       << QRect(0, 0, 1920, 1080) << QSize(640, 360);
        QTest::newRow("landscape crop") << QSize(1920, 1080) << QSize(640, 480) << true
                                        << QRect(240, 0, 1440, 1080) << QSize(640, 480);
        QTest::newRow("portrait fit") << QSize(1080, 1920) << QSize(640, 480) << false
                                      << QRect(0, 0, 1080, 1920) << QSize(270, 480);
        QTest::newRow("portrait crop") << QSize(1080, 1920) << QSize(640, 480) << true
                                       << QRect(0, 555, 1080, 810) << QSize(640, 480);
        QTest::newRow("same aspect") << QSize(1280, 720) << QSize(640, 360) << true
                                     << QRect(0, 0, 1280, 720) << QSize(640, 360);
        QTest::newRow("enlarging fit") << QSize(320, 240) << QSize(1280, 720) << false
                                       << QRect(0, 0, 320, 240) << QSize(960, 720);
    }

    void fitAndCropKeepTheRightPart()
    {
        QFETCH(QSize, source);
        QFETCH(QSize, target);
        QFETCH(bool, crop);
        QFETCH(QRect, kept);
        QFETCH(QSize, expected);

        const double scale = qMax(double(kept.width()) / expected.width(),
                                  double(kept.height()) / expected.height());
        const int band = qMax(2, int(std::ceil(scale)));
        ImageProfile profile;
        profile.setSameSizeAsVideo(false);
        profile.setImageWidth(target.width());
        profile.setImageHeight(target.height());
        profile.setCropImage(crop);

        const QImage result = ImageProcessingManager::instance()->processImage(
            cropFixture(source, kept, band), &profile);

        QCOMPARE(result.size(), expected);
        QCOMPARE(result.format(), QImage::Format_ARGB32);
        QCOMPARE(countOf(result, [](QRgb p) { return qRed(p) != 0; }), 0);
        const int w = result.width(), h = result.height();
        for (const QRect &edge : {QRect(0, 0, w, 1), QRect(0, h - 1, w, 1), QRect(0, 0, 1, h), QRect(w - 1, 0, 1, h)})
            QCOMPARE(countOf(result.copy(edge), exactly(Green)), edge.width() * edge.height());
        QCOMPARE(result.pixel(w / 2, h / 2), Blue);
    }

    void equalSizeLeavesPixelsUnchanged_data()
    {
        QTest::addColumn<bool>("sameSizeAsVideo");
        QTest::addColumn<bool>("crop");
        QTest::newRow("same size as video") << true << false;
        QTest::newRow("profile size equal, fit") << false << false;
        QTest::newRow("profile size equal, crop") << false << true;
    }

    void equalSizeLeavesPixelsUnchanged()
    {
        QFETCH(bool, sameSizeAsVideo);
        QFETCH(bool, crop);
        const QImage source = texturedImage(320, 240);
        ImageProfile profile;
        profile.setSameSizeAsVideo(sameSizeAsVideo);
        profile.setImageWidth(320);
        profile.setImageHeight(240);
        profile.setCropImage(crop);

        const QImage result = ImageProcessingManager::instance()->processImage(source, &profile);
        QVERIFY(samePixels(result, source));
        QCOMPARE(result.format(), QImage::Format_ARGB32);
        // Nothing changes, so no second picture is held in memory.
        QCOMPARE(result.constBits(), source.constBits());
    }

    void contrastAndBrightnessChangeColoursOnly_data()
    {
        QTest::addColumn<int>("contrast");
        QTest::addColumn<int>("brightness");
        QTest::addColumn<int>("input");
        QTest::addColumn<int>("expected");

        // Gain 0.5; halves round to even, as convertTo does.
        QTest::newRow("contrast -100, 255") << -100 << 0 << 255 << 128;
        QTest::newRow("contrast -100, 200") << -100 << 0 << 200 << 100;
        QTest::newRow("contrast -100, 5") << -100 << 0 << 5 << 2;
        QTest::newRow("contrast -100, 3") << -100 << 0 << 3 << 2;
        QTest::newRow("contrast -100, 1") << -100 << 0 << 1 << 0;
        // Gain 0.75.
        QTest::newRow("contrast -50, 100") << -50 << 0 << 100 << 75;
        // Gain 2.
        QTest::newRow("contrast 40, 50") << 40 << 0 << 50 << 100;
        QTest::newRow("contrast 40, 127") << 40 << 0 << 127 << 254;
        QTest::newRow("contrast 40, 128") << 40 << 0 << 128 << 255;
        // Gain 3.5.
        QTest::newRow("contrast 100, 10") << 100 << 0 << 10 << 35;
        QTest::newRow("contrast 100, 72") << 100 << 0 << 72 << 252;
        QTest::newRow("contrast 100, 73") << 100 << 0 << 73 << 255;
        QTest::newRow("brightness 20, 0") << 0 << 20 << 0 << 20;
        QTest::newRow("brightness 20, 100") << 0 << 20 << 100 << 120;
        QTest::newRow("brightness 20, 240") << 0 << 20 << 240 << 255;
        QTest::newRow("brightness -30, 20") << 0 << -30 << 20 << 0;
        QTest::newRow("contrast 40, brightness -50") << 40 << -50 << 60 << 70;
    }

    void contrastAndBrightnessChangeColoursOnly()
    {
        QFETCH(int, contrast);
        QFETCH(int, brightness);
        QFETCH(int, input);
        QFETCH(int, expected);

        // Each channel on its own, and a translucent pixel whose alpha
        // must survive.
        QImage source(3, 1, QImage::Format_ARGB32);
        source.setPixel(0, 0, qRgba(input, 0, 0, 255));
        source.setPixel(1, 0, qRgba(0, input, 0, 255));
        source.setPixel(2, 0, qRgba(0, 0, input, 77));
        ImageProfile profile;
        profile.setImageContrast(contrast);
        profile.setImageBrightness(brightness);

        const QImage result = ImageProcessingManager::instance()->processImage(source, &profile);
        QCOMPARE(result.format(), QImage::Format_ARGB32);
        const int zero = ImageProcessingManager::instance()
                             ->processImage(filled(1, 1, Qt::black), &profile).pixelColor(0, 0).red();
        QCOMPARE(result.pixel(0, 0), qRgba(expected, zero, zero, 255));
        QCOMPARE(result.pixel(1, 0), qRgba(zero, expected, zero, 255));
        QCOMPARE(result.pixel(2, 0), qRgba(zero, zero, expected, 77));
    }

    void contrastAppliesBeforeScaling()
    {
        // Two columns 100 and 200 fitted into one, with gain 2: adjusting
        // first gives average(200, 255) = 228 (rounded); scaling first 255.
        QImage source(2, 1, QImage::Format_ARGB32);
        source.setPixel(0, 0, qRgb(100, 100, 100));
        source.setPixel(1, 0, qRgb(200, 200, 200));
        ImageProfile profile;
        profile.setSameSizeAsVideo(false);
        profile.setImageWidth(1);
        profile.setImageHeight(1);
        profile.setImageContrast(40);

        const QImage result = ImageProcessingManager::instance()->processImage(source, &profile);
        QCOMPARE(result.size(), QSize(1, 1));
        QVERIFY(qAbs(qRed(result.pixel(0, 0)) - 228) <= 1);
    }

    void degenerateInputsDoNotCrash_data()
    {
        QTest::addColumn<QSize>("source");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("crop");
        QTest::addColumn<QSize>("expected");

        QTest::newRow("null image") << QSize() << 640 << 480 << false << QSize();
        QTest::newRow("width 0") << QSize(320, 240) << 0 << 480 << false << QSize(320, 240);
        QTest::newRow("height 0, crop") << QSize(320, 240) << 640 << 0 << true << QSize(320, 240);
        QTest::newRow("negative sides") << QSize(320, 240) << -5 << -5 << false << QSize(320, 240);
        QTest::newRow("fit into one column") << QSize(1920, 1080) << 1 << 480 << false << QSize(1, 1);
        QTest::newRow("fit into one row") << QSize(1080, 1920) << 640 << 1 << false << QSize(1, 1);
        QTest::newRow("crop to a sliver") << QSize(1920, 1080) << 1 << 4000 << true << QSize(1, 4000);
        QTest::newRow("one pixel source") << QSize(1, 1) << 64 << 48 << true << QSize(64, 48);
        // A mistyped size is refused before any memory is taken.
        QTest::newRow("output too large") << QSize(1920, 1080) << 100000 << 100000 << false << QSize();
    }

    void degenerateInputsDoNotCrash()
    {
        QFETCH(QSize, source);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, crop);
        QFETCH(QSize, expected);

        const QImage input = source.isValid() ? filled(source.width(), source.height(), QColor(Blue)) : QImage();
        ImageProfile profile;
        profile.setSameSizeAsVideo(false);
        profile.setImageWidth(width);
        profile.setImageHeight(height);
        profile.setCropImage(crop);
        profile.setImageContrast(10);

        const QImage result = ImageProcessingManager::instance()->processImage(input, &profile);
        QCOMPARE(result.isNull(), !expected.isValid());
        if (expected.isValid()) {
            QCOMPARE(result.size(), expected);
            QCOMPARE(result.pixel(0, 0), Blue);
        }
    }

    void everyImageFormatComesThroughIntact_data()
    {
        QTest::addColumn<QImage::Format>("format");
        QTest::addColumn<QImage::Format>("produced");

        const QImage::Format argb = QImage::Format_ARGB32;
        QTest::newRow("Mono") << QImage::Format_Mono << argb;
        QTest::newRow("MonoLSB") << QImage::Format_MonoLSB << argb;
        QTest::newRow("Indexed8 colours") << QImage::Format_Indexed8 << argb;
        QTest::newRow("RGB32") << QImage::Format_RGB32 << argb;
        QTest::newRow("ARGB32") << QImage::Format_ARGB32 << argb;
        QTest::newRow("ARGB32_Premultiplied") << QImage::Format_ARGB32_Premultiplied << argb;
        QTest::newRow("RGB16") << QImage::Format_RGB16 << argb;
        QTest::newRow("ARGB8565_Premultiplied") << QImage::Format_ARGB8565_Premultiplied << argb;
        QTest::newRow("RGB666") << QImage::Format_RGB666 << QImage::Format_RGB888;
        QTest::newRow("ARGB6666_Premultiplied") << QImage::Format_ARGB6666_Premultiplied << argb;
        QTest::newRow("RGB555") << QImage::Format_RGB555 << QImage::Format_RGB888;
        QTest::newRow("ARGB8555_Premultiplied") << QImage::Format_ARGB8555_Premultiplied << argb;
        QTest::newRow("RGB888") << QImage::Format_RGB888 << QImage::Format_RGB888;
        QTest::newRow("RGB444") << QImage::Format_RGB444 << QImage::Format_RGB888;
        QTest::newRow("ARGB4444_Premultiplied") << QImage::Format_ARGB4444_Premultiplied << argb;
        QTest::newRow("RGBX8888") << QImage::Format_RGBX8888 << argb;
        QTest::newRow("RGBA8888") << QImage::Format_RGBA8888 << argb;
        QTest::newRow("RGBA8888_Premultiplied") << QImage::Format_RGBA8888_Premultiplied << argb;
        QTest::newRow("BGR30") << QImage::Format_BGR30 << argb;
        QTest::newRow("A2BGR30_Premultiplied") << QImage::Format_A2BGR30_Premultiplied << argb;
        QTest::newRow("RGB30") << QImage::Format_RGB30 << argb;
        QTest::newRow("A2RGB30_Premultiplied") << QImage::Format_A2RGB30_Premultiplied << argb;
        QTest::newRow("Grayscale16") << QImage::Format_Grayscale16 << argb;
        QTest::newRow("BGR888") << QImage::Format_BGR888 << argb;
    }

    void everyImageFormatComesThroughIntact()
    {
        QFETCH(QImage::Format, format);
        QFETCH(QImage::Format, produced);

        const QImage source = texturedImage(40, 30, format);
        QCOMPARE(source.format(), format);
        ImageProfile profile;

        const QImage same = ImageProcessingManager::instance()->processImage(source, &profile);
        QCOMPARE(same.format(), produced);
        QVERIFY(samePixels(same, source));

        // A scaled result of a flat picture keeps its colour too (converted
        // without dithering, so it stays flat in every format).
        const QImage flat = filled(40, 30, QColor(40, 160, 224))
                                .convertToFormat(format, Qt::ThresholdDither | Qt::AvoidDither);
        profile.setSameSizeAsVideo(false);
        profile.setImageWidth(20);
        profile.setImageHeight(15);
        const QImage scaled = ImageProcessingManager::instance()->processImage(flat, &profile);
        QCOMPARE(scaled.size(), QSize(20, 15));
        QCOMPARE(scaled.pixel(10, 7), flat.pixel(20, 15));
    }

    void greyFormatsStayOneChannel_data()
    {
        QTest::addColumn<QImage::Format>("format");
        QTest::newRow("Grayscale8") << QImage::Format_Grayscale8;
        QTest::newRow("Alpha8") << QImage::Format_Alpha8;
        QTest::newRow("Indexed8 grey ramp") << QImage::Format_Indexed8;
    }

    void greyFormatsStayOneChannel()
    {
        QFETCH(QImage::Format, format);
        QImage source(16, 16, format);
        if (format == QImage::Format_Indexed8) {
            QVector<QRgb> greys;
            for (int i = 0; i < 256; ++i)
                greys << qRgb(i, i, i);
            source.setColorTable(greys);
        }
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x)
                source.scanLine(y)[x] = uchar(y * 16 + x);
        }
        ImageProfile profile;
        profile.setImageBrightness(10);

        const QImage result = ImageProcessingManager::instance()->processImage(source, &profile);
        QCOMPARE(result.format(), QImage::Format_Indexed8);
        QCOMPARE(result.colorCount(), 256);
        QCOMPARE(result.color(77), qRgb(77, 77, 77));
        QCOMPARE(result.pixelIndex(0, 0), 10);
        QCOMPARE(result.pixelIndex(5, 3), 3 * 16 + 5 + 10);
        QCOMPARE(result.pixelIndex(15, 15), 255);
    }

    void translucentPremultipliedPixelsKeepTheirColour()
    {
        // Stored premultiplied, delivered as ARGB32: the values must be
        // unpremultiplied on the way, or the colour would come out halved.
        QImage source(2, 2, QImage::Format_ARGB32_Premultiplied);
        source.fill(QColor(200, 100, 40, 128));
        ImageProfile profile;
        const QImage result = ImageProcessingManager::instance()->processImage(source, &profile);
        QCOMPARE(result.format(), QImage::Format_ARGB32);
        const QRgb pixel = result.pixel(1, 1);
        QCOMPARE(qAlpha(pixel), 128);
        QVERIFY(qAbs(qRed(pixel) - 200) <= 1);
        QVERIFY(qAbs(qGreen(pixel) - 100) <= 1);
        QVERIFY(qAbs(qBlue(pixel) - 40) <= 1);
    }

    void resultDoesNotShareTheInput()
    {
        QImage source = filled(8, 8, QColor(Blue));
        ImageProfile profile;
        QImage result = ImageProcessingManager::instance()->processImage(source, &profile);
        result.fill(QColor(Red));
        QCOMPARE(source.pixel(3, 3), Blue);
    }

    void imageToMatDeliversBlueGreenRedOrder_data()
    {
        QTest::addColumn<QImage::Format>("format");
        QTest::addColumn<int>("channels");
        QTest::newRow("ARGB32") << QImage::Format_ARGB32 << 4;
        QTest::newRow("RGB32") << QImage::Format_RGB32 << 4;
        QTest::newRow("RGB888") << QImage::Format_RGB888 << 3;
        QTest::newRow("RGBA8888") << QImage::Format_RGBA8888 << 4;
        QTest::newRow("RGBX8888") << QImage::Format_RGBX8888 << 4;
        QTest::newRow("RGB555") << QImage::Format_RGB555 << 3;
    }

    void imageToMatDeliversBlueGreenRedOrder()
    {
        QFETCH(QImage::Format, format);
        QFETCH(int, channels);
        QImage source = filled(5, 3, QColor(255, 0, 0)).convertToFormat(format);
        source.setPixel(4, 2, qRgb(0, 0, 255));

        cv::Mat matrix = ImageProcessingManager::instance()->imageToMat(source);
        QCOMPARE(matrix.depth(), CV_8U);
        QCOMPARE(matrix.channels(), channels);
        QCOMPARE(matrix.cols, 5);
        QCOMPARE(matrix.rows, 3);
        const uchar *red = matrix.ptr<uchar>(0, 0);
        const uchar *blue = matrix.ptr<uchar>(2, 4);
        QCOMPARE(int(red[0]), 0);
        QCOMPARE(int(red[2]), 255);
        QCOMPARE(int(blue[0]), 255);
        QCOMPARE(int(blue[2]), 0);
        if (channels == 4)
            QCOMPARE(int(red[3]), 255);

        // A deep copy: writing the matrix leaves the image alone.
        matrix.setTo(cv::Scalar::all(9));
        QCOMPARE(source.pixel(0, 0), qRgb(255, 0, 0));
    }

    void matToImageReadsEveryLayout_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<double>("value");
        QTest::addColumn<QImage::Format>("format");
        QTest::addColumn<int>("expected");

        QTest::newRow("8-bit grey") << int(CV_8UC1) << 77.0 << QImage::Format_Indexed8 << 77;
        QTest::newRow("8-bit BGR") << int(CV_8UC3) << 77.0 << QImage::Format_RGB888 << 77;
        QTest::newRow("8-bit BGRA") << int(CV_8UC4) << 77.0 << QImage::Format_ARGB32 << 77;
        QTest::newRow("16-bit BGR") << int(CV_16UC3) << 25500.0 << QImage::Format_RGB888 << 100;
        QTest::newRow("float BGR") << int(CV_32FC3) << 0.4 << QImage::Format_RGB888 << 102;
    }

    void matToImageReadsEveryLayout()
    {
        QFETCH(int, type);
        QFETCH(double, value);
        QFETCH(QImage::Format, format);
        QFETCH(int, expected);

        // Blue channel set, the others zero (alpha opaque for four).
        cv::Mat matrix(3, 4, type, cv::Scalar(value, 0, 0, CV_MAT_DEPTH(type) == CV_8U ? 255 : 0));
        const QImage image = ImageProcessingManager::instance()->matToImage(matrix);
        QCOMPARE(image.format(), format);
        QCOMPARE(image.size(), QSize(4, 3));
        if (CV_MAT_CN(type) == 1) {
            QCOMPARE(image.pixelIndex(2, 1), expected);
            QCOMPARE(image.color(expected), qRgb(expected, expected, expected));
        } else {
            QCOMPARE(qBlue(image.pixel(2, 1)), expected);
            QCOMPARE(qRed(image.pixel(2, 1)), 0);
        }
    }

    void matToImageRefusesWhatItCannotShow()
    {
        QVERIFY(ImageProcessingManager::instance()->matToImage(cv::Mat()).isNull());
        QVERIFY(ImageProcessingManager::instance()->matToImage(cv::Mat(4, 4, CV_8UC2, cv::Scalar::all(1))).isNull());
        QVERIFY(ImageProcessingManager::instance()->imageToMat(QImage()).empty());
    }

    void resizeAndCropOnMatrices()
    {
        ImageProcessingManager *manager = ImageProcessingManager::instance();
        cv::Mat source(1080, 1920, CV_8UC4, cv::Scalar(10, 20, 30, 255));
        const cv::Mat same = manager->resizeAndCrop(source, 1920, 1080, true);
        QCOMPARE(same.data, source.data);
        const cv::Mat fitted = manager->resizeAndCrop(source, 640, 480, false);
        QCOMPARE(fitted.cols, 640);
        QCOMPARE(fitted.rows, 360);
        const cv::Mat cropped = manager->resizeAndCrop(source, 640, 480, true);
        QCOMPARE(cropped.cols, 640);
        QCOMPARE(cropped.rows, 480);
        QVERIFY(cropped.at<cv::Vec4b>(100, 100) == cv::Vec4b(10, 20, 30, 255));
        QVERIFY(manager->resizeAndCrop(cv::Mat(), 640, 480, false).empty());
    }

    void watermarkComesFromTheProfileId_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("stored watermark") << "stored" << true;
        QTest::newRow("empty id") << "empty" << false;
        QTest::newRow("unknown id") << "unknown" << false;
        QTest::newRow("id of an image profile") << "image profile" << false;
        QTest::newRow("explicit watermark wins") << "explicit" << true;
    }

    void watermarkComesFromTheProfileId()
    {
        QFETCH(QString, which);
        QFETCH(bool, drawn);

        static WatermarkProfile *stored = nullptr;
        if (!stored) {
            auto owned = std::make_unique<WatermarkProfile>();
            stored = owned.get();
            WatermarkProfile::manager()->addProfile(std::move(owned));
            stored->setText(QStringLiteral("HW"));
            stored->setTextFont(QFont(QStringLiteral("DejaVu Sans"), 20));
            stored->setTextColor(QColor(Red));
        }
        WatermarkProfile explicitWatermark;
        explicitWatermark.setText(QStringLiteral("HW"));
        explicitWatermark.setTextFont(QFont(QStringLiteral("DejaVu Sans"), 20));
        explicitWatermark.setTextColor(QColor(Green));

        ImageProfile profile;
        if (which == QLatin1String("stored") || which == QLatin1String("explicit"))
            profile.setWatermarkProfileId(stored->id());
        else if (which == QLatin1String("unknown"))
            profile.setWatermarkProfileId(QStringLiteral("00000000-0000-0000-0000-000000000000"));
        else if (which == QLatin1String("image profile"))
            profile.setWatermarkProfileId(profile.id());

        const QImage result = ImageProcessingManager::instance()->processImage(
            filled(200, 100, Qt::black), &profile, which == QLatin1String("explicit") ? &explicitWatermark : nullptr);
        const QRgb expectedColour = which == QLatin1String("explicit") ? Green : Red;
        QCOMPARE(countOf(result, notColour(qRgb(0, 0, 0))) > 0, drawn);
        if (drawn)
            QVERIFY(countOf(result, near(expectedColour, 60)) > 0);
    }

    void watermarkLandsOnTheScaledImage()
    {
        // Drawn after the resize: its margins are in output pixels.
        WatermarkProfile watermark;
        watermark.setText(QStringLiteral("HW"));
        watermark.setTextFont(QFont(QStringLiteral("DejaVu Sans"), 16));
        watermark.setTextColor(QColor(Red));
        watermark.setTextShadowColor(QColor(0, 0, 0, 0));
        ImageProfile profile;
        profile.setSameSizeAsVideo(false);
        profile.setImageWidth(640);
        profile.setImageHeight(480);

        const QImage result = ImageProcessingManager::instance()->processImage(
            filled(1920, 1080, Qt::black), &profile, &watermark);
        QCOMPARE(result.size(), QSize(640, 360));
        const QRect ink = boundsOf(result, notColour(qRgb(0, 0, 0)));
        QVERIFY(!ink.isNull());
        QVERIFY2(ink.right() <= 640 - 15 && ink.right() >= 640 - 15 - 6, qPrintable(QString::number(ink.right())));
        QVERIFY(ink.bottom() <= 360 - 15);
    }
};

VISTALOOM_TEST_MAIN_GUI(TestImageProcessingManager)
#include "tst_imageprocessingmanager.moc"
