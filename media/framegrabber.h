#ifndef VISTALOOM_FRAMEGRABBER_H
#define VISTALOOM_FRAMEGRABBER_H

#include "demuxer.h"
#include "videodecoder.h"
#include "videoframe.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantHash>

#include <atomic>
#include <limits>
#include <memory>

class FrameReader;
class KeyFrameFinder;

// Hands out the decoded frame nearest to a position in milliseconds: the
// last frame before it or the first at or after it, ties to the earlier
// one. Built for positions asked in increasing order: it never goes back,
// and it keeps the frame after a position for the next request.
class FrameGrabber : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString source READ source WRITE setSource NOTIFY sourceChanged)
    Q_PROPERTY(int precision READ precision WRITE setPrecision NOTIFY precisionChanged)
    Q_PROPERTY(qint64 position READ position WRITE setPosition NOTIFY positionChanged)

public:
    explicit FrameGrabber(QObject *parent);
    ~FrameGrabber() override;

    QString source() const;
    void setSource(const QString &path);
    int precision() const;
    void setPrecision(int ms);
    qint64 position() const;
    void setPosition(qint64 ms);

    // Opens the video when needed; the length of its picture in
    // milliseconds, -1 when it cannot be opened.
    qint64 duration();
    // True when nothing more can be read or handed out. Up to the video's
    // own end, a whole file still hands out its last picture: it is held
    // on screen until then.
    bool atEnd() const;
    // True when the file's data ends before what the file promises (a cut
    // download), judged by its structure or, where that tells nothing, by
    // reading having ended at lastMs well before the stated length.
    bool dataEndsEarly(qint64 lastMs) const;
    // True when the structure of the open file, or a packet reading ended
    // in, shows it cut off, wherever the positions asked for lie.
    bool isCutOff() const;
    // Where the video data ends, in milliseconds.
    qint64 dataEndMs() const;
    // The nominal length of one frame in milliseconds.
    qint64 frameLengthMs() const;
    // The time in milliseconds of the last frame decoded, -1 before any.
    qint64 lastDecodedTime() const;
    // True when the open video is no longer than one frame (a still in a
    // video container); opens the video when needed.
    bool holdsSingleFrame();
    // Stops a running extraction at its next packet. Callable from any thread.
    void abort();
    // While on, a position gets the key frame nearest to it, with that
    // frame's own time, decoding key frames only.
    bool keyFramesOnly() const;
    void setKeyFramesOnly(bool on);

signals:
    void frameExtracted(const VideoFrame &frame);
    void sourceChanged();
    void error(const QString &errorMessage);
    void aborted(const QString &abortMessage);
    void positionChanged();
    void precisionChanged();

public slots:
    void extract();

private slots:
    void extractInternal(qint64 pos);

private:
    struct DecodedState {
        VideoFrame frame;
        qint64 time = 0;
        qint64 ticks = std::numeric_limits<qint64>::min();
        bool delivered = true;
    };

    // What one attempt to reach a position came to. A delivered frame is
    // in m_outputFrame.
    struct Outcome {
        enum Kind { Delivered, Failed, Aborted };
        Kind kind = Failed;
        QString reason;
        // Pictures left undecoded may have held a nearer frame.
        bool needsCheck = false;
    };

    bool openVideo();
    Outcome decodeFrameAt(qint64 pos);
    Outcome decodeForward(qint64 pos, qint64 skipBefore);
    Outcome decodeKeyFrameNear(qint64 pos);
    static Outcome abortOutcome();
    bool shouldJump(qint64 pos) const;
    bool holdsLastPictureAt(qint64 pos) const;
    void closeDecoder();

    std::atomic<bool> m_abortRequested{false};
    bool m_hasVideo = true;
    bool m_autoPrecision = true;
    qint64 m_position = -1000;
    int m_precision = 500;
    QString m_source;
    Demuxer m_demuxer;
    std::unique_ptr<VideoDecoder> m_decoder;
    std::unique_ptr<FrameReader> m_reader;
    std::unique_ptr<KeyFrameFinder> m_keyFrames;
    bool m_keyFramesOnly = false;
    QStringList m_decoderNames{QStringLiteral("FFmpeg")};
    QVariantHash m_decoderOptions;
    VideoFrame m_outputFrame;
    // The most recently decoded frame: lastDecodedFrame, lastDecodedTime
    // (ms), its stream ticks, and whether it was handed out already.
    DecodedState m_last;
};

#endif
