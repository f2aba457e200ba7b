#ifndef VISTALOOM_VIDEOINFO_H
#define VISTALOOM_VIDEOINFO_H

#include <QObject>
#include <QSize>
#include <QString>

// Probes a video file for its length (and frame size) without decoding it.
class VideoInfo : public QObject
{
    Q_OBJECT

public:
    explicit VideoInfo(QObject *parent = nullptr);

    // Failures are only logged; what was known before stays.
    void load(const QString &fileName);
    qint64 duration() const;
    int width() const;
    int height() const;
    // The size the pictures become as images: upright (rotation applied)
    // and at display aspect (the sample aspect ratio scales the width).
    QSize displaySize() const;
    // Frames per second as the stream states it, 0 when it does not.
    double frameRate() const;
    // The codec's short name, such as "h264"; empty when unknown.
    QString codecName() const;

private:
    void probe(const QString &fileName);

    qint64 m_duration = 0;
    int m_width = 0;
    int m_height = 0;
    QSize m_displaySize;
    double m_frameRate = 0.0;
    QString m_codecName;
};

#endif
