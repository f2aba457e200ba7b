#include "jsonstatusline.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

namespace {

// Keeps its keys in the order they are added, which QJsonObject does not.
class OrderedObject
{
public:
    explicit OrderedObject(const char *event) { add("event", QString::fromLatin1(event)); }

    OrderedObject &add(const char *key, const QJsonValue &value)
    {
        QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
        text = text.mid(1, text.size() - 2);
        m_text += (m_text.isEmpty() ? "{\"" : ",\"") + QByteArray(key) + "\":" + text;
        return *this;
    }
    // -1 stands for unknown.
    OrderedObject &addKnown(const char *key, qint64 value)
    {
        return add(key, value >= 0 ? QJsonValue(double(value)) : QJsonValue());
    }
    QByteArray line() const { return m_text + "}\n"; }

private:
    QByteArray m_text;
};

} // namespace

QByteArray JsonStatusLine::of(const BatchEvent &event)
{
    switch (event.kind) {
    case BatchEvent::Saving:
        return {};
    case BatchEvent::Saved:
        return OrderedObject("saved")
            .add("path", QDir::toNativeSeparators(QFileInfo(event.path).absoluteFilePath()))
            .addKnown("time_ms", event.timeMs)
            .addKnown("frame", event.frame)
            .add("keyframe", event.keyFrame >= 0 ? QJsonValue(event.keyFrame == 1) : QJsonValue())
            .line();
    case BatchEvent::Info:
        return OrderedObject("info").add("message", event.text).line();
    case BatchEvent::Error:
        return error(event.text);
    case BatchEvent::EarlyEnd:
        return OrderedObject("early_end").add("message", event.text).addKnown("data_end_ms", event.timeMs).line();
    }
    return {};
}

QByteArray JsonStatusLine::error(const QString &message)
{
    return OrderedObject("error").add("message", message).line();
}

QByteArray JsonStatusLine::done(int images, int errors)
{
    return OrderedObject("done").add("images", images).add("errors", errors).line();
}
