#ifndef VISTALOOM_BATCHWORKER_H
#define VISTALOOM_BATCHWORKER_H

#include "batchevent.h"
#include "serieswriter.h"
#include "smartpicker.h"
#include "worker.h"

#include <QAtomicInteger>
#include <QImage>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

class BatchWorkerConfig;
class FrameGrabber;
class FrameIndex;

class VideoFrame;

// Carries out one batch job: plans the capture positions (FramePositions)
// or walks the video for the scene rule (SceneJob), asks the frame grabber
// for each frame and hands it to its own thread, where SeriesWriter
// processes and saves it. See worker.h for who owns what on which thread.
class BatchWorker : public Worker
{
    Q_OBJECT

public:
    enum BatchStatusMessageType { Info = 0, Error = 1 };
    Q_ENUM(BatchStatusMessageType)

    explicit BatchWorker(QObject *parent = nullptr);
    ~BatchWorker() override;

    void setConfig(BatchWorkerConfig *config);
    BatchWorkerConfig *config() const;

    void run() override;
    void cancel() override;

    // Registers the status type under its full name for queued connections.
    static void registerMetaTypes();

signals:
    void imageReady(BatchWorker *worker, QImage &image);
    void statusUpdate(BatchWorker *worker, QString text, BatchWorker::BatchStatusMessageType type);
    // Every status line as above, and each file once it is written.
    void batchEvent(BatchWorker *worker, const BatchEvent &event);
    void progressUpdate(BatchWorker *worker, float progress);
    // A frame of the scene walk, for handleFrame on the worker's thread.
    void frameFound(const VideoFrame &frame);
    // For the config's thread: the interval settings the job ran with
    // where the stored ones were unusable, and the scene rule's count.
    void intervalRepaired(int type, int milliseconds, int images);
    void sceneImageCountFound(int count);

private slots:
    void grabberFrameExtracted(const VideoFrame &frame);
    void grabberError(const QString &message);

private:
    void runJob();
    // The scene rule: one walk over the span instead of positions.
    void runSceneJob(qint64 duration);
    // The AtTimes rule: its listed positions in the order given.
    void runListJob(qint64 duration);
    void sendProgress(float progress);
    void handleFrame(const VideoFrame &frame);
    bool deliverFrame(const VideoFrame &frame);
    void reportGrabberError(const QString &message);
    bool endsEarlyAt(qint64 position, qint64 reached);
    bool waitUntilHandled(unsigned long pollMs);
    void processPendingEvents();
    SeriesWriter::Report report();
    void tell(const BatchEvent &event);

    BatchWorkerConfig *m_config = nullptr;
    // The rule as the job runs it, read from the config when it starts.
    int m_intervalType = 0;
    FrameGrabber *m_grabber = nullptr;
    int m_imageIndex = 1;
    float m_progress = 0.0f;
    QAtomicInteger<int> m_waiting {0};
    // What the batch thread hands to the worker's thread (a frame, the
    // grabber's state) is released here before the queued call is posted
    // and acquired when it runs: the order in our own code, not only in
    // Qt's event queue, whose locks ThreadSanitizer cannot see.
    QAtomicInteger<int> m_handedOver {0};
    qint64 m_duration = 0;
    qint64 m_requestedPosition = 0;
    qint64 m_lastPosition = 0;
    bool m_endedEarly = false;
    bool m_opened = false;
    // Stops the scene walk; set once by cancel(), like the worker's flag.
    std::atomic<bool> m_scanAbort{false};
    // Set for a job with smartPick in exact mode.
    std::unique_ptr<SmartPicker> m_picker;
    SeriesWriter m_writer;
    // Numbers the frames taken, where names or the caller ask for numbers.
    std::unique_ptr<FrameIndex> m_frameIndex;
    // In fast mode: the time of the key frame the last image took, and how
    // many positions found that same key frame again and wrote nothing.
    std::optional<qint64> m_keyFrameTaken;
    int m_sharedKeyFrames = 0;
};

Q_DECLARE_METATYPE(BatchWorker::BatchStatusMessageType)

#endif
