#include "imagetext.h"

#include <QFile>
#include <QImageReader>
#include <QRegularExpression>

namespace ImageText {

QMap<QString, QString> read(const QString &path)
{
    QImageReader reader(path);
    QMap<QString, QString> text;
    // A JPEG comment holding several entries ("Source: a.mp4, Time: ...")
    // reads back as the first key, whose value holds the others.
    for (const QString &key : reader.textKeys()) {
        for (const QString &entry : (key + QStringLiteral(": ") + reader.text(key))
                                        .split(QRegularExpression(QStringLiteral(", (?=[A-Z]\\w*: )"))))
            text.insert(entry.section(QStringLiteral(": "), 0, 0), entry.section(QStringLiteral(": "), 1));
    }
    return text;
}

QStringList jpegComments(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    const auto byteAt = [&](int index) { return quint8(bytes.at(index)); };
    QStringList comments;
    if (bytes.size() < 2 || byteAt(0) != 0xff || byteAt(1) != 0xd8)
        return comments;
    // After the start marker come segments: 0xff, a marker byte, a
    // big-endian length that counts itself, then the payload.
    int at = 2;
    while (at + 4 <= bytes.size() && byteAt(at) == 0xff) {
        const quint8 marker = byteAt(at + 1);
        const int length = byteAt(at + 2) << 8 | byteAt(at + 3);
        if (length < 2 || at + 2 + length > bytes.size())
            break;
        if (marker == 0xfe)
            comments << QString::fromUtf8(bytes.constData() + at + 4, length - 2);  // a NUL too
        if (marker == 0xda)   // start of scan: no more headers
            break;
        at += 2 + length;
    }
    return comments;
}

} // namespace ImageText
