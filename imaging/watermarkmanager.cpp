#include "watermarkmanager.h"

#include "profiles/watermarkprofile.h"

#include <QDebug>
#include <QFontMetrics>
#include <QPainter>
#include <QTextOption>

namespace {

// QPainter cannot draw on 8-bit indexed images; everything else the
// pipeline produces is drawn on in its own format.
void makePaintable(QImage &image)
{
    if (image.format() == QImage::Format_Indexed8)
        image = image.convertToFormat(QImage::Format_ARGB32);
}

double opacityOf(const WatermarkProfile &profile)
{
    return double(float(profile.alpha()) / 255.0f);
}

} // namespace

WatermarkManager::WatermarkManager(QObject *parent)
    : QObject(parent)
{
}

WatermarkManager *WatermarkManager::instance()
{
    static WatermarkManager manager;
    return &manager;
}

QImage WatermarkManager::applyWatermark(const QImage &image, WatermarkProfile *profile)
{
    QImage result = image;
    drawWatermark(result, profile);
    return result;
}

void WatermarkManager::drawWatermark(QImage &image, WatermarkProfile *profile)
{
    if (!profile || image.isNull())
        return;
    if (profile->watermarkType() != 0) {
        qDebug() << "WatermarkManager - Other type";
        drawPicture(image, *profile);
    } else {
        qDebug() << "WatermarkManager -" << profile->watermarkType();
        drawText(image, *profile);
    }
}

QImage WatermarkManager::processTypeText(const QImage &image, WatermarkProfile *profile)
{
    QImage result = image;
    if (profile && !result.isNull())
        drawText(result, *profile);
    return result;
}

QImage WatermarkManager::processTypeImage(const QImage &image, WatermarkProfile *profile)
{
    QImage result = image;
    if (profile && !result.isNull())
        drawPicture(result, *profile);
    return result;
}

void WatermarkManager::drawText(QImage &image, const WatermarkProfile &profile)
{
    qDebug() << "Watermark Manager ProcessTypeText";
    const QString text = profile.text();
    if (text.isEmpty())
        return;
    makePaintable(image);

    const QFont font = profile.textFont();
    // Measured on the image itself, so point sizes follow its resolution.
    const QFontMetrics metrics(font, &image);
    const Qt::Alignment alignment = profile.alignment();
    const QRect layout = image.rect().adjusted(profile.xMargin(), profile.yMargin(),
                                               -profile.xMargin(), -profile.yMargin());
    const QRect textRect = metrics.boundingRect(layout, int(alignment), text);

    QTextOption option(alignment);
    option.setWrapMode(QTextOption::NoWrap);

    QPainter painter(&image);
    painter.setOpacity(opacityOf(profile));
    painter.setFont(font);
    painter.setPen(profile.textShadowColor());
    // Translated in floating point: a very long text can measure close to
    // the end of the integer range.
    painter.drawText(QRectF(textRect).translated(QPointF(profile.textShadowOffset())), text, option);
    painter.setPen(profile.textColor());
    painter.drawText(QRectF(textRect), text, option);
}

void WatermarkManager::drawPicture(QImage &image, const WatermarkProfile &profile)
{
    const QImage picture = profile.image();
    if (picture.isNull())
        return;
    makePaintable(image);

    const Qt::Alignment alignment = profile.alignment();
    // Sums of sides and margins in 64 bits: no side or margin can make
    // them wrap, whatever the picture's size.
    const qint64 width = image.width();
    const qint64 height = image.height();

    qint64 y = height - profile.yMargin() - picture.height();
    if (alignment & Qt::AlignTop)
        y = profile.yMargin();
    else if (alignment & Qt::AlignVCenter)
        y = (height - picture.height()) / 2;

    qint64 x = width - profile.xMargin() - picture.width();
    if (alignment & Qt::AlignLeft)
        x = profile.xMargin();
    else if (alignment & Qt::AlignHCenter)
        x = (width - picture.width()) / 2;

    QPainter painter(&image);
    painter.setOpacity(opacityOf(profile));
    painter.drawImage(QPointF(qreal(x), qreal(y)), picture);
}
