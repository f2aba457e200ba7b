#ifndef VISTALOOM_GRADUALTRANSITION_H
#define VISTALOOM_GRADUALTRANSITION_H

#include <QImage>
#include <QtGlobal>

#include <deque>
#include <vector>

// Finds dissolves and fades in the grey signatures of a walk: they change
// the picture too little from one frame to the next for a cut to be seen.
// Every picture inside a dissolve is a mix (1 - a) * old + a * new of the
// pictures at its ends, with a rising from 0 to 1 while the ends hold still
// (relative to the whole change); a fade through black or white is two
// such mixes that meet at a flat picture. Pans, zooms and motion change
// the picture as much, but are no mix of their ends.
// Everything is measured in ms, so pictures the walk skips do no harm.
class GradualTransition
{
public:
    // threshold: the least difference (0-100, as SceneScanner::difference)
    // between the old and the new shot.
    explicit GradualTransition(double threshold);

    // Feeds the walk's next picture, in presentation order. True when a
    // transition has just been seen through: the picture fed at imageMs()
    // is the first with the new shot fully in, and the old shot was whole
    // until startMs(). Each transition is told once.
    bool feed(qint64 ms, const QImage &signature);
    qint64 imageMs() const { return m_imageMs; }
    qint64 startMs() const { return m_startMs; }

    // How long the new shot must hold after a transition before it is told;
    // its image lies at most ReportDelayMs before the picture that tells
    // it, so a caller keeps the pictures of that long.
    static constexpr qint64 SettleMs = 300;
    static constexpr qint64 ReportDelayMs = 600;
    // The longest transition found, from startMs() to imageMs().
    static constexpr qint64 LongestMs = 2000;

private:
    struct Picture {
        qint64 ms = 0;
        std::vector<float> grey;
        double spread = 0.0; // standard deviation of the grey levels
        // Dot products with this picture and those fed before it, nearest
        // first: the fits of a step all come from these.
        std::vector<double> dots;
    };
    // How far each picture of a stretch has come from one end to the other.
    struct Course {
        std::vector<double> alpha;
        std::vector<double> residual;
    };

    double dot(int first, int second) const;
    void addCourse(Course &course, int from, int to, double offset, double scale) const;
    bool seenThrough(int from, const Course &course);

    double m_threshold;
    std::deque<Picture> m_pictures;
    qint64 m_imageMs = 0;
    qint64 m_startMs = 0;
};

#endif
