#ifndef VISTALOOM_VIDEOOUTPUT_H
#define VISTALOOM_VIDEOOUTPUT_H

class MpvPlayer;
class QWidget;

namespace VideoOutput {

// The widget that shows the player's video: mpv's OpenGL renderer where an
// OpenGL context can be made, its software renderer otherwise. The
// environment variable VISTALOOM_VIDEO_OUTPUT ("opengl" or "software")
// overrides the choice. Null when the player itself could not be created.
QWidget *create(MpvPlayer *player, QWidget *parent);

} // namespace VideoOutput

#endif
