#include "imagewriterplugin.h"

#include <QCoreApplication>
#include <QDir>
#include <QImageIOPlugin>
#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>

namespace {

bool namesFormat(const QJsonObject &metaData, const QString &format)
{
    if (metaData.value(QStringLiteral("IID")).toString() != QLatin1String(QImageIOHandlerFactoryInterface_iid))
        return false;
    const QJsonArray keys = metaData.value(QStringLiteral("MetaData")).toObject().value(QStringLiteral("Keys")).toArray();
    for (const QJsonValue &key : keys) {
        if (key.toString().compare(format, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QStringList imageFormatPlugins()
{
    QStringList plugins;
    for (const QString &libraryPath : QCoreApplication::libraryPaths()) {
        const QDir folder(libraryPath + QStringLiteral("/imageformats"));
        for (const QString &file : folder.entryList(QDir::Files, QDir::Name))
            plugins.append(folder.absoluteFilePath(file));
    }
    return plugins;
}

} // namespace

bool ImageWriterPlugin::isInstalledFor(const QByteArray &format)
{
    const QString name = QString::fromLatin1(format);
    for (const QString &plugin : imageFormatPlugins()) {
        if (namesFormat(QPluginLoader(plugin).metaData(), name))
            return true;
    }
    return false;
}

std::unique_ptr<QImageIOHandler> ImageWriterPlugin::writerFor(QIODevice *device, const QByteArray &format)
{
    if (!device || format.isEmpty())
        return nullptr;
    const QString name = QString::fromLatin1(format);
    for (const QString &file : imageFormatPlugins()) {
        // Reading the metadata does not load the library; Qt keeps it
        // after the first read.
        QPluginLoader loader(file);
        if (!namesFormat(loader.metaData(), name))
            continue;
        auto *plugin = qobject_cast<QImageIOPlugin *>(loader.instance());
        if (!plugin || !(plugin->capabilities(device, format) & QImageIOPlugin::CanWrite))
            continue;
        std::unique_ptr<QImageIOHandler> handler(plugin->create(device, format));
        if (handler)
            return handler;
    }
    return nullptr;
}
