#ifndef VISTALOOM_BATCHEVENT_H
#define VISTALOOM_BATCHEVENT_H

#include <QMetaType>
#include <QString>

// One thing a job tells its caller: a status line, or an image complete on
// disk. Text shows status lines as they are; the console program's JSON
// mode shows every event but Saving, which announces a file before it is
// written.
struct BatchEvent
{
    enum Kind { Info, Saving, Saved, Error, EarlyEnd };

    Kind kind = Info;
    // The status line; for Saved empty.
    QString text;
    // Saved: the file written.
    QString path;
    // The frame's time and number (from 0 in presentation order), -1 where
    // unknown or not a frame (a contact sheet); EarlyEnd: where data ended.
    qint64 timeMs = -1;
    qint64 frame = -1;
    // 1 when the frame is a key frame, 0 when not, -1 when unknown.
    int keyFrame = -1;

    static BatchEvent info(const QString &text) { return {Info, text, {}, -1, -1, -1}; }
    static BatchEvent error(const QString &text) { return {Error, text, {}, -1, -1, -1}; }
    static BatchEvent saving(const QString &fileName);
    static BatchEvent saved(const QString &path, qint64 timeMs = -1, qint64 frame = -1, int keyFrame = -1)
    {
        return {Saved, {}, path, timeMs, frame, keyFrame};
    }
    static BatchEvent earlyEnd(const QString &text, qint64 dataEndMs) { return {EarlyEnd, text, {}, dataEndMs, -1, -1}; }

    bool isStatusLine() const { return kind != Saved; }
    bool isError() const { return kind == Error || kind == EarlyEnd; }
};

Q_DECLARE_METATYPE(BatchEvent)

#endif
