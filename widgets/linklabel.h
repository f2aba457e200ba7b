#ifndef VISTALOOM_LINKLABEL_H
#define VISTALOOM_LINKLABEL_H

#include <QString>

class QLabel;

// Turns label into a link to url that opens in the desktop's handler;
// shows url itself when text is null.
void setLinkLabel(QLabel *label, QString url, QString text = QString());

#endif
