#ifndef VISTALOOM_WATERMARKPROFILE_H
#define VISTALOOM_WATERMARKPROFILE_H

#include "baseprofile.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QtGlobal>

class ProfileManager;

// One watermark: a text with font, colours and shadow, or a picture from
// the watermark folder, placed by a nine-way alignment with margins.
class WatermarkProfile : public BaseProfile
{
    Q_OBJECT
    Q_PROPERTY(int watermarkType READ watermarkType WRITE setWatermarkType)
    Q_PROPERTY(int alignmentIndex READ alignmentIndex WRITE setAlignmentIndex)
    Q_PROPERTY(int xMargin READ xMargin WRITE setXMargin)
    Q_PROPERTY(int yMargin READ yMargin WRITE setYMargin)
    Q_PROPERTY(int alpha READ alpha WRITE setAlpha)
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(QFont textFont READ textFont WRITE setTextFont)
    Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor)
    Q_PROPERTY(QColor textShadowColor READ textShadowColor WRITE setTextShadowColor)
    Q_PROPERTY(int textShadowXOffset READ textShadowXOffset WRITE setTextShadowXOffset)
    Q_PROPERTY(int textShadowYOffset READ textShadowYOffset WRITE setTextShadowYOffset)
    Q_PROPERTY(QString imageFile READ imageFile WRITE setImageFile)
    Q_PROPERTY(QImage image READ image)

public:
    explicit WatermarkProfile(QObject *parent = nullptr);

    static ProfileFactory factory();
    static ProfileManager *manager();

    // The ranges the editor offers; every setter holds its value inside
    // them. Shadow offsets may point up and left as well: stored files
    // carry such offsets.
    static constexpr int MaxMargin = 10000;
    static constexpr int MaxShadowOffset = 99;
    static constexpr int MaxAlpha = 255;
    static constexpr qreal MinFontPointSize = 1;
    static constexpr qreal MaxFontPointSize = 512;
    static constexpr int MaxFontPixelSize = 1024;
    // Larger pictures are not decoded: 100 megapixels are 400 MB at four
    // bytes a pixel.
    static constexpr qint64 MaxPicturePixels = 100000000;

    // Absolute path of a picture inside the watermark folder, which is
    // created on demand. Only the file-name part of fileName counts, so no
    // stored name reaches outside the folder.
    static QString watermarkFilePath(const QString &fileName);

    // The picture of that name in the watermark folder, or a null image
    // (with a warning) when it is missing, not a regular file, a link
    // leading out of the folder, larger than MaxPicturePixels or unreadable.
    static QImage readPicture(const QString &fileName);

    Qt::Alignment alignment() const;
    QPoint textShadowOffset() const;

    // The picture named by imageFile, read once and shared by every profile
    // naming the same file until another name is asked for.
    QImage image() const;

    int watermarkType() const { return m_watermarkType; }
    void setWatermarkType(int value) { m_watermarkType = value; }
    int alignmentIndex() const { return m_alignmentIndex; }
    void setAlignmentIndex(int value) { m_alignmentIndex = value; }
    int xMargin() const { return m_xMargin; }
    void setXMargin(int value) { m_xMargin = qBound(0, value, MaxMargin); }
    int yMargin() const { return m_yMargin; }
    void setYMargin(int value) { m_yMargin = qBound(0, value, MaxMargin); }
    int alpha() const { return m_alpha; }
    void setAlpha(int value) { m_alpha = qBound(0, value, MaxAlpha); }
    QString text() const { return m_text; }
    void setText(const QString &value) { m_text = value; }
    QFont textFont() const { return m_textFont; }
    void setTextFont(const QFont &value);
    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor &value) { m_textColor = value; }
    QColor textShadowColor() const { return m_textShadowColor; }
    void setTextShadowColor(const QColor &value) { m_textShadowColor = value; }
    int textShadowXOffset() const { return m_textShadowXOffset; }
    void setTextShadowXOffset(int value) { m_textShadowXOffset = qBound(-MaxShadowOffset, value, MaxShadowOffset); }
    int textShadowYOffset() const { return m_textShadowYOffset; }
    void setTextShadowYOffset(int value) { m_textShadowYOffset = qBound(-MaxShadowOffset, value, MaxShadowOffset); }
    QString imageFile() const { return m_imageFile; }
    void setImageFile(const QString &value) { m_imageFile = value; }

private:
    int m_watermarkType = 0;
    int m_alignmentIndex = 8;
    int m_xMargin = 15;
    int m_yMargin = 15;
    int m_alpha = 255;
    QString m_text;
    QFont m_textFont;
    QColor m_textColor;
    QColor m_textShadowColor;
    int m_textShadowXOffset = 0;
    int m_textShadowYOffset = 0;
    QString m_imageFile;
};

#endif
