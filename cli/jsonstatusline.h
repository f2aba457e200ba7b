#ifndef VISTALOOM_JSONSTATUSLINE_H
#define VISTALOOM_JSONSTATUSLINE_H

#include "batch/batchevent.h"

#include <QByteArray>
#include <QString>

// The console program's status lines as JSON, one object a line, the
// "event" key first so a person reading along sees what each line is.
namespace JsonStatusLine {

// None for Saving, which JSON leaves to the Saved event after the write.
QByteArray of(const BatchEvent &event);
QByteArray error(const QString &message);
QByteArray done(int images, int errors);

} // namespace JsonStatusLine

#endif
