#ifndef VISTALOOM_FIXTUREVIDEOS_H
#define VISTALOOM_FIXTUREVIDEOS_H

#include <QString>
#include <QStringList>

class QImage;

// Test videos made with the ffmpeg command, once per key and test run, in
// the test's temporary folder.
namespace FixtureVideos {

// Runs "ffmpeg -y <arguments> <folder>/<fileName>" unless that file was made
// already in this run; returns its path, or an empty string when ffmpeg failed.
QString make(const QString &fileName, const QStringList &arguments);

// Flat grey frames whose level is 4 x the frame index, so a decoded pixel
// tells which frame came back. H.264 in MP4 unless another suffix is given.
QString indexedVideo(int width, int height, int fps, double seconds,
                     const QString &suffix = QStringLiteral("mp4"),
                     const QStringList &codecArguments = QStringList());

// source remuxed without re-encoding and tagged with a rotation of degrees
// (clockwise), as phones store upright video; same suffix as source.
QString withRotation(const QString &source, int degrees);

// The frame index a grey level stands for (level = 4 x index).
int frameIndexOfLevel(int level);

QString folder();

// Frames that carry an index up to 4095, for videos longer than 64 frames:
// the left half's grey level is 4 x (index mod 64), the right half's
// 4 x (index / 64). outputArguments give codec and container options;
// filters (e.g. a setpts for variable frame rate) run after the index is
// drawn.
QString bandIndexedVideo(const QString &fileName, int width, int height, int fps, double seconds,
                         const QStringList &outputArguments, const QString &filters = QString());

// The index an image of bandIndexedVideo carries (either orientation of
// the bands is not handled: the image must be upright), -1 for no image.
int frameIndexOfBandImage(const QImage &image);

// Five shots of 2 s at 10 fps, 320x180, each of other content (moving
// test pattern, colour bars, zooming fractal, noisy flat colour, colour
// stripes), so the cuts lie at 2000, 4000, 6000 and 8000 ms. A 32x32 box at
// the top left has grey level 40 x (shot + 1). With cutsOnBFrames the
// first frame is left out and the encoder puts no key frame at the cuts,
// so they lie at 1900, 3900, 5900 and 7900 ms on pictures nothing refers to.
QString fiveShots(bool cutsOnBFrames = false);

// The shot (0-4) an image of fiveShots() comes from, -1 for none.
int shotOfImage(const QImage &image);

} // namespace FixtureVideos

#endif
