#ifndef VISTALOOM_IMAGEWRITERPLUGIN_H
#define VISTALOOM_IMAGEWRITERPLUGIN_H

#include <QByteArray>

#include <memory>

class QIODevice;
class QImageIOHandler;

// Finds the image plugin that writes a format by the keys its metadata
// lists, and loads that plugin alone. QImageWriter asks every installed
// plugin in turn, loading them all with their libraries (several megabytes
// with the extra formats installed) to write a single JPEG.
namespace ImageWriterPlugin {

// A writer for format on device from the first plugin, in Qt's search
// order, that names the format and can write it; null when none does
// (built-in formats such as PNG), and QImageWriter must be used.
// True when an installed plugin names format, read from the plugins'
// metadata without loading any of them.
bool isInstalledFor(const QByteArray &format);

std::unique_ptr<QImageIOHandler> writerFor(QIODevice *device, const QByteArray &format);

} // namespace ImageWriterPlugin

#endif
