#include "framegrabber.h"

#include "framereader.h"
#include "keyframefinder.h"

#include <QtDebug>

#include <cstdlib>

namespace {

// A position further ahead than this from the last decoded frame is reached
// by seeking when the container has no index to say where key frames are.
constexpr qint64 SeekDistanceMs = 10000;
// Pictures nothing refers to are left undecoded only while they lie this
// many frames (and at least this long) before the position: the nearest
// picture and the one before it, a deinterlacer's neighbour, are decoded.
constexpr qint64 SkipMarginFrames = 3;
constexpr qint64 MinSkipMarginMs = 100;
// Reading that ends this far before the length a container states, in a
// file whose structure tells nothing, means data is missing.
constexpr qint64 StatedLengthToleranceMs = 1000;

} // namespace

FrameGrabber::FrameGrabber(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<VideoFrame>("VideoFrame");
    QVariantHash codecOptions;
    codecOptions.insert(QStringLiteral("skip_frame"), 0);
    codecOptions.insert(QStringLiteral("skip_loop_filter"), 0);
    m_decoderOptions.insert(QStringLiteral("avcodec"), codecOptions);
    m_demuxer.setInterruptFlag(&m_abortRequested);
}

FrameGrabber::~FrameGrabber()
{
    m_outputFrame = VideoFrame();
    closeDecoder();
    m_demuxer.unload();
}

QString FrameGrabber::source() const
{
    return m_source;
}

void FrameGrabber::setSource(const QString &path)
{
    if (path == m_source)
        return;
    m_source = path;
    m_hasVideo = true;
    emit sourceChanged();
    m_outputFrame = VideoFrame();
    closeDecoder();
    m_demuxer.unload();
    // A new file starts with nothing decoded.
    m_last = DecodedState();
}

int FrameGrabber::precision() const
{
    return m_precision;
}

void FrameGrabber::setPrecision(int ms)
{
    if (ms == m_precision)
        return;
    m_autoPrecision = ms < 0;
    if (ms >= 0)
        m_precision = ms;
    emit precisionChanged();
}

qint64 FrameGrabber::position() const
{
    return m_position;
}

void FrameGrabber::setPosition(qint64 ms)
{
    if (!m_hasVideo)
        return;
    if (std::llabs(ms - m_position) < qint64(m_precision))
        return;
    m_position = ms;
    emit positionChanged();
}

qint64 FrameGrabber::duration()
{
    if (!openVideo())
        return -1;
    return m_demuxer.videoDuration();
}

bool FrameGrabber::atEnd() const
{
    // Key frames are found afresh for every position; only a position
    // beyond the last packet of the file lies past the end.
    if (m_keyFramesOnly)
        return m_keyFrames && m_keyFrames->endMs() >= 0 && m_position > m_keyFrames->endMs();
    return m_reader && m_reader->isDrained() && m_last.delivered && !holdsLastPictureAt(m_position);
}

bool FrameGrabber::holdsLastPictureAt(qint64 pos) const
{
    return m_last.frame.isValid() && pos >= m_last.time && pos <= m_demuxer.videoDuration()
        && !dataEndsEarly(m_last.time);
}

bool FrameGrabber::dataEndsEarly(qint64 lastMs) const
{
    if (isCutOff())
        return true;
    // Times count only where the file's structure tells nothing.
    return m_demuxer.completeness() == FileCompleteness::Verdict::Unknown && m_demuxer.statesLengthAhead()
        && lastMs + StatedLengthToleranceMs < m_demuxer.videoDuration();
}

bool FrameGrabber::isCutOff() const
{
    return m_demuxer.completeness() == FileCompleteness::Verdict::Cut || m_demuxer.endedInPartialPacket();
}

qint64 FrameGrabber::dataEndMs() const
{
    return m_demuxer.dataEndMs();
}

qint64 FrameGrabber::frameLengthMs() const
{
    const qint64 start = m_demuxer.startTicks();
    return m_demuxer.ticksToMs(start + m_demuxer.frameDurationTicks()) - m_demuxer.ticksToMs(start);
}

bool FrameGrabber::keyFramesOnly() const
{
    return m_keyFramesOnly;
}

void FrameGrabber::setKeyFramesOnly(bool on)
{
    if (on == m_keyFramesOnly)
        return;
    m_keyFramesOnly = on;
    // Each way of reading assumes it alone moved the file and the decoder.
    closeDecoder();
    m_last = DecodedState();
}

bool FrameGrabber::holdsSingleFrame()
{
    if (!openVideo())
        return false;
    return m_demuxer.videoDuration() <= frameLengthMs();
}

qint64 FrameGrabber::lastDecodedTime() const
{
    // Key frames skip everything between them: the last packet read tells
    // how far the file goes.
    if (m_keyFramesOnly && m_keyFrames && m_keyFrames->endMs() >= 0)
        return qMax(m_keyFrames->endMs(), m_last.frame.isValid() ? m_last.time : -1);
    return m_last.frame.isValid() ? m_last.time : -1;
}

void FrameGrabber::abort()
{
    m_abortRequested.store(true);
}

void FrameGrabber::closeDecoder()
{
    m_keyFrames.reset();
    m_reader.reset();
    m_decoder.reset();
}

bool FrameGrabber::openVideo()
{
    const bool sameFile = m_demuxer.fileName() == m_source && m_demuxer.isLoaded();
    if (sameFile && m_decoder)
        return true;
    const bool finished = m_reader && m_reader->isDrained();
    closeDecoder();
    if (!sameFile || finished) {
        m_demuxer.unload();
        m_demuxer.setMedia(m_source);
        if (!m_demuxer.load())
            return false;
        m_last = DecodedState();
    }
    m_hasVideo = m_demuxer.videoStreamCount() > 0;
    if (!m_hasVideo) {
        m_demuxer.unload();
        return false;
    }
    if (m_autoPrecision)
        m_precision = m_demuxer.videoDuration() >= 10000 ? 500 : 250;
    m_demuxer.setVideoStreamIndex(0);
    m_decoder = VideoDecoder::openFor(m_demuxer.videoStream(), m_decoderNames, m_keyFramesOnly);
    if (!m_decoder)
        return false;
    m_decoder->setOptions(m_decoderOptions);
    m_reader = std::make_unique<FrameReader>(m_demuxer, *m_decoder, m_abortRequested);
    m_keyFrames = std::make_unique<KeyFrameFinder>(m_demuxer, *m_decoder, m_abortRequested);
    return true;
}

bool FrameGrabber::shouldJump(qint64 pos) const
{
    if (!m_demuxer.isSeekable())
        return false;
    const qint64 keyFrame = m_demuxer.indexedKeyFrameBefore(pos - 1);
    if (keyFrame >= 0)
        return keyFrame > m_reader->readMs();
    return m_last.time + SeekDistanceMs < pos;
}

FrameGrabber::Outcome FrameGrabber::decodeFrameAt(qint64 pos)
{
    m_outputFrame = VideoFrame();
    if (m_last.time > pos && !m_last.delivered) {
        m_last.delivered = true;
        m_outputFrame = m_last.frame;
        return Outcome{Outcome::Delivered, {}, false};
    }
    if (m_reader->isDrained() && m_last.delivered) {
        if (!holdsLastPictureAt(pos))
            return Outcome{Outcome::Failed, QStringLiteral("Grabber at end of video, cannot read any more frames"), false};
        m_outputFrame = m_last.frame;
        return Outcome{Outcome::Delivered, {}, false};
    }

    // Leaving pictures undecoded needs a way back should one of them turn
    // out to matter.
    const bool maySkip = m_demuxer.isSeekable();
    const qint64 duration = m_demuxer.videoDuration();
    const qint64 skipMargin = qMax(MinSkipMarginMs, SkipMarginFrames * frameLengthMs());
    const qint64 skipBefore = (duration > 0 ? qMin(pos, duration) : pos) - skipMargin;
    const DecodedState entry = m_last;
    bool jump = shouldJump(pos);
    for (int attempt = 0;; ++attempt) {
        if (jump) {
            switch (m_reader->jumpBefore(pos, entry.ticks)) {
            case FrameReader::Jump::Aborted:
                return abortOutcome();
            case FrameReader::Jump::Refused:
                // Not even the start of the file can be read again: decode on
                // from where the reader stands.
                if (attempt > 0)
                    return Outcome{Outcome::Failed, QStringLiteral("cannot seek"), false};
                break;
            case FrameReader::Jump::Landed:
                break;
            }
        }
        const bool skipping = maySkip && m_demuxer.isSeekable() && attempt == 0;
        const Outcome outcome = decodeForward(pos, skipping ? skipBefore : FrameReader::NoSkip);
        if (!skipping || !outcome.needsCheck || outcome.kind == Outcome::Aborted || !outcome.reason.isEmpty())
            return outcome;
        // A picture left undecoded may have been the nearest: decode the
        // stretch again in full.
        m_last = entry;
        m_outputFrame = VideoFrame();
        jump = true;
    }
}

FrameGrabber::Outcome FrameGrabber::decodeForward(qint64 pos, qint64 skipBefore)
{
    m_reader->setSkipBefore(skipBefore);
    // Undecoded pictures all lie before skipBefore, so a neighbour of the
    // position at or after it cannot have missed a nearer one.
    auto leftOutNearer = [&](bool hasNeighbour, qint64 neighbourTime) {
        return m_reader->skippedAny() && (!hasNeighbour || neighbourTime < skipBefore);
    };
    for (;;) {
        FrameReader::Read read = m_reader->next();
        switch (read.status) {
        case FrameReader::Status::Aborted:
            return abortOutcome();
        case FrameReader::Status::DecodeFailed:
            qWarning("!!!!!!!!!decode failed!!!!");
            return Outcome{Outcome::Failed, QStringLiteral("decode failed"), false};
        case FrameReader::Status::End: {
            const bool needsCheck = leftOutNearer(m_last.frame.isValid(), m_last.time);
            // The last frame, before the position and not handed out yet,
            // is the nearest one there is; handed out already, it is still
            // the picture on screen up to the video's end.
            if (m_last.frame.isValid() && (!m_last.delivered || holdsLastPictureAt(pos))) {
                m_last.delivered = true;
                m_outputFrame = m_last.frame;
                return Outcome{Outcome::Delivered, {}, needsCheck};
            }
            return Outcome{Outcome::Failed, {}, needsCheck};
        }
        case FrameReader::Status::Frame:
            break;
        }
        const VideoFrame &frame = read.picture.frame;
        const qint64 t = read.picture.ms;
        bool needsCheck = false;
        if (t >= pos) {
            needsCheck = leftOutNearer(m_last.frame.isValid(), m_last.time);
            if (!m_last.delivered && m_last.frame.isValid()) {
                if (std::llabs(t - pos) < std::llabs(m_last.time - pos)) {
                    m_outputFrame = frame;
                    m_last.delivered = true;
                } else {
                    m_outputFrame = m_last.frame;
                    m_last.delivered = false;
                }
            } else {
                m_outputFrame = frame;
                m_last.delivered = true;
            }
        }
        m_last.frame = frame;
        m_last.time = t;
        m_last.ticks = read.picture.ticks;
        if (m_outputFrame.isValid())
            return Outcome{Outcome::Delivered, {}, needsCheck};
        m_last.delivered = false;
    }
}

FrameGrabber::Outcome FrameGrabber::decodeKeyFrameNear(qint64 pos)
{
    m_outputFrame = VideoFrame();
    KeyFrameFinder::Result found = m_keyFrames->nearest(pos);
    switch (found.kind) {
    case KeyFrameFinder::Result::Aborted:
        return abortOutcome();
    case KeyFrameFinder::Result::Failed:
        return Outcome{Outcome::Failed, found.reason, false};
    case KeyFrameFinder::Result::Found:
        break;
    }
    m_outputFrame = found.frame;
    m_last.frame = found.frame;
    m_last.time = qint64(found.frame.timestamp() * 1000.0);
    m_last.delivered = true;
    return Outcome{Outcome::Delivered, {}, false};
}

void FrameGrabber::extract()
{
    extractInternal(m_position);
}

FrameGrabber::Outcome FrameGrabber::abortOutcome()
{
    qDebug("FrameGrabber abort seek after key frame before read");
    return Outcome{Outcome::Aborted, QStringLiteral("abort seek after key frame before read"), false};
}

void FrameGrabber::extractInternal(qint64 pos)
{
    const int precisionBefore = m_precision;
    Outcome outcome;
    if (openVideo()) {
        if (m_precision != precisionBefore)
            emit precisionChanged();
        outcome = m_keyFramesOnly ? decodeKeyFrameNear(pos) : decodeFrameAt(pos);
    } else if (m_abortRequested.load()) {
        // An abort also cuts opening short; it is reported as the abort.
        outcome = abortOutcome();
    } else {
        emit error(tr("Cannot open file"));
        return;
    }
    switch (outcome.kind) {
    case Outcome::Delivered:
        emit frameExtracted(m_outputFrame);
        break;
    case Outcome::Aborted:
        emit aborted(QString::asprintf(tr("Abort at position %lld: %s").toLatin1().constData(),
                                       static_cast<long long>(pos), outcome.reason.toLatin1().constData()));
        break;
    case Outcome::Failed:
        emit error(QString::asprintf(tr("Cannot extract frame at position %lld: %s").toLatin1().constData(),
                                     static_cast<long long>(pos), outcome.reason.toLatin1().constData()));
        break;
    }
}
