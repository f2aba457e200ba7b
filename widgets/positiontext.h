#ifndef VISTALOOM_POSITIONTEXT_H
#define VISTALOOM_POSITIONTEXT_H

#include <QString>
#include <QtGlobal>

#include <optional>

// One position in a video as the user types it: seconds ("83.456"), a
// clock time ("1:23.456", "01:23:45.678") or a picture's number counted
// from 0 in presentation order ("f2000").
class PositionText
{
public:
    struct Position {
        // Milliseconds from the start of the video; unused for a frame.
        qint64 ms = 0;
        // The picture's number, -1 for a time.
        qint64 frame = -1;
        bool isFrame() const { return frame >= 0; }
    };

    // None when text is no time nor frame number, or one beyond any video.
    static std::optional<Position> parse(const QString &text);
};

#endif
