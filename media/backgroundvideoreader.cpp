#include "backgroundvideoreader.h"

#include "framegrabber.h"
#include "videoframe.h"
#include "videoinfo.h"

#include <QMetaType>

BackgroundVideoReader::BackgroundVideoReader(QObject *parent)
    : QObject(parent)
{
    // The information crosses threads in queued signals.
    qRegisterMetaType<std::shared_ptr<VideoInfo>>("std::shared_ptr<VideoInfo>");
}

BackgroundVideoReader::~BackgroundVideoReader()
{
    m_pool.clear();
    m_pool.waitForDone();
}

void BackgroundVideoReader::loadInfo(quint64 ticket, const QString &path)
{
    // Made here so that it belongs to this thread; the pool thread only
    // fills it in before handing it over.
    auto info = std::make_shared<VideoInfo>();
    m_pool.start(QRunnable::create([this, ticket, path, info] {
        info->load(path);
        emit infoLoaded(ticket, info);
    }));
}

void BackgroundVideoReader::decodeFirstFrame(quint64 ticket, const QString &path)
{
    m_pool.start(QRunnable::create([this, ticket, path] {
        QImage image;
        FrameGrabber grabber(nullptr);
        connect(&grabber, &FrameGrabber::frameExtracted, &grabber,
                [&image](const VideoFrame &frame) { image = frame.toImage(); });
        grabber.setSource(path);
        grabber.setPosition(0);
        grabber.extract();
        emit firstFrameDecoded(ticket, image);
    }), 1);
}
