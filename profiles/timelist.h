#ifndef VISTALOOM_TIMELIST_H
#define VISTALOOM_TIMELIST_H

#include <QString>
#include <QVector>
#include <QtGlobal>

// A list of exact capture positions as the user writes it, comma
// separated: seconds ("83.456", "5"), a clock time ("1:23.456",
// "01:02:03.5") or a picture's number counted from 0 ("f2000"). Shared by
// the console's --at and Batch Mode's "At times" field, so both accept and
// refuse the same text.
class TimeList
{
public:
    struct Entry {
        // The position in ms from the start of the video; for a frame
        // number, the number (the picture's time is known only from the
        // file).
        qint64 ms = 0;
        qint64 frame = -1;
        bool isFrame() const { return frame >= 0; }
    };

    // The positions far beyond any video are refused rather than wrapped.
    static constexpr qint64 MaxMilliseconds = qint64(365) * 24 * 60 * 60 * 1000;
    static constexpr qint64 MaxFrame = qint64(1) << 40;

    // The entries in the order written; none with *error set when an entry
    // is malformed, naming it.
    static QVector<Entry> parse(const QString &text, QString *error = nullptr);
    // Whether text parses.
    static bool isValid(const QString &text);
    // hh:mm:ss.mmm, for messages.
    static QString clockText(qint64 ms);
};

#endif
