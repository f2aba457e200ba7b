#ifndef VISTALOOM_BATCHWORKERCONFIG_H
#define VISTALOOM_BATCHWORKERCONFIG_H

#include <QDir>
#include <QMetaProperty>
#include <QObject>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <memory>

class FileNameProfile;
class ImageProfile;
class VideoInfo;

// One batch job: a source video, the rule that picks the capture moments,
// the skipped lengths at both ends, the profiles and the output folder.
class BatchWorkerConfig : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString source READ source WRITE setSource)
    Q_PROPERTY(QString imageProfileId READ imageProfileId WRITE setImageProfileId)
    Q_PROPERTY(QString filenameProfileId READ filenameProfileId WRITE setFileNameProfileId)
    Q_PROPERTY(QString filenameExample READ filenameExample)
    Q_PROPERTY(QString fileOutputPath READ fileOutputPath WRITE setFileOutputPath)
    Q_PROPERTY(qlonglong skipFront READ skipFront WRITE setSkipFront)
    Q_PROPERTY(qlonglong skipBack READ skipBack WRITE setSkipBack)
    Q_PROPERTY(int intervalType READ intervalType WRITE setIntervalType)
    Q_PROPERTY(int intervalMilliseconds READ intervalMilliseconds WRITE setIntervalMilliseconds)
    Q_PROPERTY(int intervalImages READ intervalImages WRITE setIntervalImages)
    Q_PROPERTY(int intervalSingleShot READ intervalSingleShot WRITE setIntervalSingleShot)
    Q_PROPERTY(QString atTimes READ atTimes WRITE setAtTimes)
    Q_PROPERTY(bool fastSeek READ fastSeek WRITE setFastSeek)
    Q_PROPERTY(int sceneThreshold READ sceneThreshold WRITE setSceneThreshold)
    Q_PROPERTY(int sceneMinGapMilliseconds READ sceneMinGapMilliseconds WRITE setSceneMinGapMilliseconds)
    Q_PROPERTY(bool smartPick READ smartPick WRITE setSmartPick)
    Q_PROPERTY(bool contactSheet READ contactSheet WRITE setContactSheet)
    Q_PROPERTY(int contactSheetColumns READ contactSheetColumns WRITE setContactSheetColumns)
    Q_PROPERTY(int contactSheetRows READ contactSheetRows WRITE setContactSheetRows)
    Q_PROPERTY(bool webVtt READ webVtt WRITE setWebVtt)
    Q_PROPERTY(int webVttColumns READ webVttColumns WRITE setWebVttColumns)
    Q_PROPERTY(int webVttRows READ webVttRows WRITE setWebVttRows)

public:
    enum IntervalType { EveryMilliseconds = 0, ImageCount = 1, SingleShot = 2, SceneChange = 3, AtTimes = 4 };
    Q_ENUM(IntervalType)
    enum SingleShotPosition { Front = 0, Middle = 1, Back = 2 };
    Q_ENUM(SingleShotPosition)

    // Every setter holds its value inside these, so neither the defaults
    // file nor the command line gives the capture arithmetic numbers that
    // wrap. An interval or count below the usable minimum is still taken
    // (as 0) and repaired by the worker as before.
    static constexpr int MaxIntervalMilliseconds = 24 * 60 * 60 * 1000;
    static constexpr int MaxIntervalImages = 100000;
    static constexpr qint64 MaxSkipMilliseconds = qint64(365) * 24 * 60 * 60 * 1000;
    // A cut is a frame differing from the one before by more than the
    // threshold (0-100, see SceneScanner); the default lies well between
    // the differences of cuts and of motion within a shot.
    static constexpr int MaxSceneThreshold = 100;
    static constexpr int DefaultSceneThreshold = 12;
    static constexpr int DefaultSceneMinGapMilliseconds = 1000;
    static constexpr int MaxContactSheetCells = 20; // per row and per column
    static constexpr int DefaultContactSheetColumns = 4;
    static constexpr int DefaultContactSheetRows = 3;
    static constexpr int MaxWebVttCells = 20; // per row and per column
    static constexpr int DefaultWebVttColumns = 5;
    static constexpr int DefaultWebVttRows = 5;

    BatchWorkerConfig();
    ~BatchWorkerConfig() override;

    QString source() const;
    // Also resets the output folder to the folder holding the video.
    void setSource(const QString &path);

    QString imageProfileId() const;
    void setImageProfileId(const QString &id);
    QString filenameProfileId() const;
    void setFileNameProfileId(const QString &id);

    QString filenameExample() const;

    QString fileOutputPath() const;
    void setFileOutputPath(const QString &path);
    QDir fileOutputDir() const;
    void setFileOutputDir(const QDir &dir);

    qlonglong skipFront() const { return m_skipFront; }
    void setSkipFront(qlonglong ms) { m_skipFront = qBound<qint64>(0, ms, MaxSkipMilliseconds); }
    qlonglong skipBack() const { return m_skipBack; }
    void setSkipBack(qlonglong ms) { m_skipBack = qBound<qint64>(0, ms, MaxSkipMilliseconds); }
    int intervalType() const { return m_intervalType; }
    void setIntervalType(int type) { m_intervalType = type; }
    int intervalMilliseconds() const { return m_intervalMilliseconds; }
    void setIntervalMilliseconds(int ms) { m_intervalMilliseconds = qBound(0, ms, MaxIntervalMilliseconds); }
    int intervalImages() const { return m_intervalImages; }
    void setIntervalImages(int count) { m_intervalImages = qBound(0, count, MaxIntervalImages); }
    int intervalSingleShot() const { return m_intervalSingleShot; }
    void setIntervalSingleShot(int position) { m_intervalSingleShot = position; }
    // The AtTimes rule's list as the user wrote it (see TimeList): one
    // image per entry, in that order; the skips do not apply to it.
    QString atTimes() const { return m_atTimes; }
    void setAtTimes(const QString &text) { m_atTimes = text; }
    // Each position takes the key frame nearest to it: far faster on long
    // videos, at the key frame's own time.
    bool fastSeek() const { return m_fastSeek; }
    void setFastSeek(bool on) { m_fastSeek = on; }
    int sceneThreshold() const { return m_sceneThreshold; }
    void setSceneThreshold(int value) { m_sceneThreshold = qBound(0, value, MaxSceneThreshold); }
    int sceneMinGapMilliseconds() const { return m_sceneMinGapMilliseconds; }
    void setSceneMinGapMilliseconds(int ms) { m_sceneMinGapMilliseconds = qBound(0, ms, MaxIntervalMilliseconds); }
    // Each position takes the sharpest frame that is not near-black within
    // a second of it, at that frame's own time. Exact positions only: with
    // fastSeek on, the key frame is taken as it is.
    bool smartPick() const { return m_smartPick; }
    void setSmartPick(bool on) { m_smartPick = on; }
    // After the job, one more image: the job's images in a grid of
    // columns x rows with their times, under a header about the video.
    // Whether every image written is told with its frame's number, which
    // takes counting the video's packets up to it.
    bool reportsFrameNumbers() const { return m_reportsFrameNumbers; }
    void setReportsFrameNumbers(bool on) { m_reportsFrameNumbers = on; }
    bool contactSheet() const { return m_contactSheet; }
    void setContactSheet(bool on) { m_contactSheet = on; }
    int contactSheetColumns() const { return m_contactSheetColumns; }
    void setContactSheetColumns(int count) { m_contactSheetColumns = qBound(1, count, MaxContactSheetCells); }
    int contactSheetRows() const { return m_contactSheetRows; }
    void setContactSheetRows(int count) { m_contactSheetRows = qBound(1, count, MaxContactSheetCells); }
    // After the job, seek previews for web players: the images as tiles in
    // sprite sheets of at most columns x rows, and a WebVTT file of cues
    // pointing at them.
    bool webVtt() const { return m_webVtt; }
    void setWebVtt(bool on) { m_webVtt = on; }
    int webVttColumns() const { return m_webVttColumns; }
    void setWebVttColumns(int count) { m_webVttColumns = qBound(1, count, MaxWebVttCells); }
    int webVttRows() const { return m_webVttRows; }
    void setWebVttRows(int count) { m_webVttRows = qBound(1, count, MaxWebVttCells); }
    // The images the scene rule gave on its last run, -1 before one; taken
    // as the expected count while the rule and its settings stay the same.
    void setSceneImageCount(int count);

    ImageProfile *imageProfile() const;
    // Null takes the manager's last-used profile, if there is one.
    void setImageProfile(ImageProfile *profile);
    FileNameProfile *fileNameProfile() const;
    void setFileNameProfile(FileNameProfile *profile);

    QString sourceBaseName() const;

    // Null until loaded or given.
    VideoInfo *videoInfo() const;
    void loadVideoInfo();
    // Information loaded elsewhere (on another thread) for this source.
    void setVideoInfo(std::shared_ptr<VideoInfo> info);

    // The images the rule is expected to give; needs the video information
    // for the milliseconds rule. The scene rule knows its count only once
    // the video is scanned: 0.
    int expectedImageCount() const;
    // The same for these interval settings in place of the stored ones.
    int expectedImageCount(int intervalType, int intervalMilliseconds, int intervalImages) const;
    // What the user is shown for that count: "?" for the scene rule.
    QString expectedImageCountText() const;
    // frameMs: the time of the frame pictured, for the name's time tokens.
    QString fileNameFor(int counter, qint64 frameMs) const;
    // The name of the counter's image at the first position of the span.
    QString fileNameFor(int counter) const;
    QString intervalDescription() const;

    void loadDefaults();
    void saveDefaults();

    static QString defaultsFileName();

private:
    static bool isStoredInDefaults(const char *propertyName);
    // The scene keys join the defaults file once the scene rule is used, so
    // a file written without it stays as it always was.
    static bool isSceneProperty(const char *propertyName);
    bool usesSceneSettings() const;
    // Keys added with later options join the defaults file once they
    // differ from their defaults.
    bool isOptionalKeyInUse(const char *propertyName) const;
    QString sceneCountKey() const;
    // The properties the defaults file holds, in property order.
    QVector<QMetaProperty> defaultsProperties() const;

    QString m_source;
    std::unique_ptr<QDir> m_fileOutputDir;
    qint64 m_skipFront = 2000;
    qint64 m_skipBack = 2000;
    int m_intervalType = EveryMilliseconds;
    int m_intervalMilliseconds = 5000;
    int m_intervalImages = 10;
    int m_intervalSingleShot = Middle;
    QString m_atTimes;
    bool m_fastSeek = false;
    int m_sceneThreshold = DefaultSceneThreshold;
    int m_sceneMinGapMilliseconds = DefaultSceneMinGapMilliseconds;
    int m_sceneImageCount = -1;
    bool m_smartPick = false;
    bool m_reportsFrameNumbers = false;
    bool m_contactSheet = false;
    int m_contactSheetColumns = DefaultContactSheetColumns;
    int m_contactSheetRows = DefaultContactSheetRows;
    bool m_webVtt = false;
    int m_webVttColumns = DefaultWebVttColumns;
    int m_webVttRows = DefaultWebVttRows;
    // The settings the count was found with.
    QString m_sceneCountKey;
    std::shared_ptr<VideoInfo> m_videoInfo;
    ImageProfile *m_imageProfile = nullptr;
    FileNameProfile *m_fileNameProfile = nullptr;
    // The defaults made at construction; replaced profiles come from the
    // managers, which own them.
    std::unique_ptr<ImageProfile> m_ownImageProfile;
    std::unique_ptr<FileNameProfile> m_ownFileNameProfile;
};

#endif
