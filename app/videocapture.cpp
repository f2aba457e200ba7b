#include "videocapture.h"

#include "mpvplayer.h"
#include "snapshotdecoder.h"

#include <mpv/client.h>

#include <QMetaObject>
#include <QThread>
#include <QTransform>
#include <QtDebug>

#include <cstring>

namespace {

const mpv_node *mapValue(const mpv_node &map, const char *key)
{
    if (map.format != MPV_FORMAT_NODE_MAP || !map.u.list)
        return nullptr;
    for (int i = 0; i < map.u.list->num; ++i) {
        if (std::strcmp(map.u.list->keys[i], key) == 0)
            return &map.u.list->values[i];
    }
    return nullptr;
}

qint64 intValue(const mpv_node &map, const char *key)
{
    const mpv_node *value = mapValue(map, key);
    return value && value->format == MPV_FORMAT_INT64 ? value->u.int64 : -1;
}

// mpv hands the picture in one of a few packed 8-bit layouts; the ones
// that match a QImage format in memory are copied line by line.
QImage imageFromScreenshot(const mpv_node &node)
{
    const qint64 width = intValue(node, "w");
    const qint64 height = intValue(node, "h");
    const qint64 stride = intValue(node, "stride");
    const mpv_node *format = mapValue(node, "format");
    const mpv_node *data = mapValue(node, "data");
    if (width <= 0 || height <= 0 || stride < width * 4 || !format || format->format != MPV_FORMAT_STRING
        || !data || data->format != MPV_FORMAT_BYTE_ARRAY || !data->u.ba
        || static_cast<qint64>(data->u.ba->size) < stride * height)
        return QImage();

    QImage::Format imageFormat;
    if (std::strcmp(format->u.string, "bgr0") == 0)
        imageFormat = QImage::Format_RGB32;
    else if (std::strcmp(format->u.string, "bgra") == 0)
        imageFormat = QImage::Format_ARGB32;
    else if (std::strcmp(format->u.string, "rgba") == 0)
        imageFormat = QImage::Format_RGBA8888;
    else {
        qWarning() << "Unexpected screenshot format" << format->u.string;
        return QImage();
    }
    QImage image(static_cast<int>(width), static_cast<int>(height), imageFormat);
    if (image.isNull())
        return QImage();
    const auto *source = static_cast<const uchar *>(data->u.ba->data);
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), source + y * stride, static_cast<size_t>(width) * 4);
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

VideoCapture::VideoCapture(MpvPlayer *player)
    : QObject(player)
    , m_player(player)
    , m_thread(new QThread(this))
    , m_decoder(new SnapshotDecoder)
{
    m_thread->setObjectName(QStringLiteral("SnapshotDecoder"));
    m_decoder->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_decoder, &QObject::deleteLater);
    connect(this, &VideoCapture::decodeRequested, m_decoder, &SnapshotDecoder::decode);
    connect(this, &VideoCapture::releaseRequested, m_decoder, &SnapshotDecoder::release);
    connect(m_decoder, &SnapshotDecoder::decoded, this, &VideoCapture::handleDecoded);
    connect(player, &MpvPlayer::mediaStatusChanged, this, [this](MpvPlayer::MediaStatus status) {
        if (status == MpvPlayer::NoMedia || status == MpvPlayer::InvalidMedia)
            emit releaseRequested();
    });
    m_thread->start();
}

VideoCapture::~VideoCapture()
{
    // A decode under way stops at its next packet; its answer, queued to
    // this object, is dropped with it.
    m_decoder->abort();
    m_thread->quit();
    m_thread->wait();
}

void VideoCapture::capture()
{
    if (m_player->isValid() && m_player->isPlaying() && m_player->videoSize().isValid()) {
        m_player->requestCapture();
        return;
    }
    // Answer later, as a real capture does, so callers see one behaviour.
    QMetaObject::invokeMethod(this, [this] { emit failed(); }, Qt::QueuedConnection);
}

qint64 VideoCapture::capturedTime() const
{
    return m_capturedMs;
}

void VideoCapture::captureAt(const QString &path, qint64 ms)
{
    m_requestedMs = ms;
    if (path == m_unreadableFile) {
        m_player->requestScreenshot();
        return;
    }
    emit decodeRequested(path, ms);
}

void VideoCapture::handleDecoded(const QString &path, const QImage &image, qint64 frameMs)
{
    if (!image.isNull()) {
        m_capturedMs = frameMs;
        emit imageCaptured(image);
        return;
    }
    // Files mpv plays but the media layer cannot read still give a picture,
    // through mpv's own screenshot; later captures of the file go there at once.
    m_unreadableFile = path;
    m_player->requestScreenshot();
}

void VideoCapture::handleReply(const mpv_node *node)
{
    QImage image = node ? imageFromScreenshot(*node) : QImage();
    const int rotation = m_player->videoRotation();
    if (!image.isNull() && rotation != 0)
        image = image.transformed(QTransform().rotate(rotation));
    if (image.isNull()) {
        qDebug() << "Video capture failed";
        emit failed();
        return;
    }
    // mpv shows the frame at the position it settled on.
    m_capturedMs = m_requestedMs >= 0 ? m_requestedMs : m_player->position();
    emit imageCaptured(image);
}
