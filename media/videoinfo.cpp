#include "videoinfo.h"

#include "demuxer.h"
#include "videodecoder.h"
#include "videoframe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QException>
#include <QtDebug>

VideoInfo::VideoInfo(QObject *parent)
    : QObject(parent)
{
}

void VideoInfo::load(const QString &fileName)
{
    try {
        probe(fileName);
    } catch (const QException &exception) {
        qDebug("Exception loading VideoInfo");
        const char *text = exception.what();
        qDebug("%s", text ? text : "Unknown exception");
    }
}

void VideoInfo::probe(const QString &fileName)
{
    Demuxer demuxer;
    demuxer.unload();
    demuxer.setMedia(fileName);
    if (demuxer.load()) {
        m_duration = demuxer.duration();
        if (demuxer.videoStreamCount() == 0) {
            demuxer.unload();
        } else if (const AVStream *stream = demuxer.videoStream()) {
            m_width = stream->codecpar->width;
            m_height = stream->codecpar->height;
            // As the decoder hands the frames out: the container's aspect
            // wins over the codec's.
            VideoFrame::Properties properties;
            properties.rotation = VideoDecoder::rotationOf(stream);
            const AVRational aspect = stream->sample_aspect_ratio.num > 0 && stream->sample_aspect_ratio.den > 0
                ? stream->sample_aspect_ratio
                : stream->codecpar->sample_aspect_ratio;
            if (aspect.num > 0 && aspect.den > 0) {
                properties.sampleAspectNum = aspect.num;
                properties.sampleAspectDen = aspect.den;
            }
            m_displaySize = m_width > 0 && m_height > 0
                ? VideoFrame::displaySizeOf(m_width, m_height, properties)
                : QSize(m_width, m_height);
            const AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
            m_frameRate = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 0.0;
            m_codecName = QString::fromLatin1(avcodec_get_name(stream->codecpar->codec_id));
            return;
        } else {
            qDebug("AVCodecContext did not exist");
        }
    }
    qDebug("Error loading VideoInfo");
}

qint64 VideoInfo::duration() const
{
    return m_duration;
}

int VideoInfo::width() const
{
    return m_width;
}

int VideoInfo::height() const
{
    return m_height;
}

QSize VideoInfo::displaySize() const
{
    return m_displaySize;
}

double VideoInfo::frameRate() const
{
    return m_frameRate;
}

QString VideoInfo::codecName() const
{
    return m_codecName;
}
