#include "snapshotdecoder.h"

#include "media/framegrabber.h"
#include "media/videoframe.h"

#include <QtDebug>

SnapshotDecoder::SnapshotDecoder()
    : m_grabber(new FrameGrabber(this))
{
    // The player's position is a frame's own time: take the frame nearest
    // to it, however close the next one lies.
    m_grabber->setPrecision(0);
    connect(m_grabber, &FrameGrabber::frameExtracted, this, &SnapshotDecoder::takeFrame);
}

void SnapshotDecoder::abort()
{
    m_grabber->abort();
}

void SnapshotDecoder::reopenAt(const QString &path)
{
    // The grabber only walks forward; an empty source closes the file so the
    // next one starts from nothing decoded.
    m_grabber->setSource(QString());
    m_grabber->setSource(path);
}

void SnapshotDecoder::release()
{
    m_grabber->setSource(QString());
}

void SnapshotDecoder::decode(const QString &path, qint64 ms)
{
    // A frame at or before the last one decoded lies behind the grabber.
    if (path != m_grabber->source() || ms <= m_grabber->lastDecodedTime())
        reopenAt(path);
    m_grabber->setPosition(ms);
    m_image = QImage();
    m_grabber->extract();
    if (m_image.isNull())
        qDebug() << "Media layer could not give the frame at" << ms << "ms of" << path;
    emit decoded(path, m_image, m_frameMs);
}

void SnapshotDecoder::takeFrame(const VideoFrame &frame)
{
    m_image = frame.toImage(QImage::Format_ARGB32);
    m_frameMs = qint64(frame.timestamp() * 1000.0);
}
