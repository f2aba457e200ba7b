#ifndef VISTALOOM_VIDEOINFO_H
#define VISTALOOM_VIDEOINFO_H

#include <QObject>
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

private:
    void probe(const QString &fileName);

    qint64 m_duration = 0;
    int m_width = 0;
    int m_height = 0;
};

#endif
