#include "xmpwriter.h"

#include <QDebug>

#include <exiv2/exiv2.hpp>

#include <memory>
#include <mutex>
#include <string>

const char XmpWriter::NamespaceUri[] = "https://vistaloom.org/ns/xmp/1.0/";
const char XmpWriter::Prefix[] = "vistaloom";

namespace {

// The XMP toolkit under exiv2 is not thread-safe by itself; exiv2 takes
// this lock around its calls into it.
std::recursive_mutex xmpToolkitMutex;

void lockXmpToolkit(void *, bool lock)
{
    if (lock)
        xmpToolkitMutex.lock();
    else
        xmpToolkitMutex.unlock();
}

void logExiv2Message(int level, const char *message)
{
    qDebug().noquote() << QStringLiteral("exiv2 (level %1): %2").arg(level).arg(QString::fromLocal8Bit(message).trimmed());
}

// The toolkit, the log handler and the namespace registry are the
// process's; they are set up once, before any thread first writes.
bool setUpExiv2()
{
    static const bool ready = [] {
        Exiv2::LogMsg::setHandler(logExiv2Message);
        if (!Exiv2::XmpParser::initialize(lockXmpToolkit, nullptr))
            return false;
        try {
            Exiv2::XmpProperties::registerNs(XmpWriter::NamespaceUri, XmpWriter::Prefix);
        } catch (const Exiv2::AnyError &error) {
            qWarning() << "XmpWriter - cannot register the namespace:" << error.what();
            return false;
        }
        return true;
    }();
    return ready;
}

std::string utf8(const QString &text)
{
    return text.toUtf8().toStdString();
}

} // namespace

XmpWriter::XmpWriter(const ImageMetadata &metadata)
    : m_metadata(metadata)
{
}

XmpWriter::Result XmpWriter::addTo(QByteArray &encoded)
{
    m_error.clear();
    if (m_metadata.isEmpty())
        return Result::Skipped;
    if (!setUpExiv2())
        return fail(QStringLiteral("exiv2's XMP toolkit cannot be initialised"));
    try {
        const auto *data = reinterpret_cast<const Exiv2::byte *>(encoded.constData());
        const long size = long(encoded.size());
        const int type = Exiv2::ImageFactory::getType(data, size);
        if (type == Exiv2::ImageType::none
            || !(Exiv2::ImageFactory::checkMode(type, Exiv2::mdXmp) & Exiv2::amWrite))
            return Result::Skipped;

        // Works on its own copy of the bytes, in memory.
        const std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(data, size).release());
        // Read first: what is written back is what was read plus the XMP
        // (the JPEG comment, a TIFF's own tags).
        image->readMetadata();
        Exiv2::XmpData &xmp = image->xmpData();
        if (!m_metadata.source.isEmpty())
            xmp["Xmp.dc.source"] = utf8(m_metadata.source);
        if (m_metadata.timeMs >= 0) {
            xmp["Xmp.vistaloom.time"] = utf8(ImageMetadata::formatTime(m_metadata.timeMs));
            xmp["Xmp.vistaloom.timeMs"] = std::to_string(m_metadata.timeMs);
        }
        if (m_metadata.frame >= 0)
            xmp["Xmp.vistaloom.frame"] = std::to_string(m_metadata.frame);
        image->writeMetadata();

        Exiv2::BasicIo &io = image->io();
        const long written = long(io.size());
        if (written <= 0 || io.open() != 0)
            return fail(QStringLiteral("exiv2 wrote nothing"));
        const Exiv2::DataBuf bytes = io.read(written);
        io.close();
        if (bytes.size_ != written)
            return fail(QStringLiteral("exiv2's result cannot be read"));
        encoded = QByteArray(reinterpret_cast<const char *>(bytes.pData_), int(bytes.size_));
        return Result::Added;
    } catch (const Exiv2::AnyError &error) {
        return fail(QString::fromLocal8Bit(error.what()));
    } catch (const std::exception &error) {
        return fail(QString::fromLocal8Bit(error.what()));
    }
}

QString XmpWriter::errorString() const
{
    return m_error;
}

XmpWriter::Result XmpWriter::fail(const QString &error)
{
    m_error = error;
    return Result::Failed;
}
