#ifndef VISTALOOM_FILENAMEPROFILE_H
#define VISTALOOM_FILENAMEPROFILE_H

#include "baseprofile.h"

#include <QtGlobal>

class ProfileManager;

// Decides the names of the image files written: prefix, base name,
// suffix, zero-padded counter and type (which is also the extension).
class FileNameProfile : public BaseProfile
{
    Q_OBJECT
    Q_PROPERTY(QString fileOutputPrefix READ fileOutputPrefix WRITE setFileOutputPrefix)
    Q_PROPERTY(QString fileBaseName READ fileBaseName WRITE setFileBaseName)
    Q_PROPERTY(QString fileOutputSuffix READ fileOutputSuffix WRITE setFileOutputSuffix)
    Q_PROPERTY(QString fileOutputType READ fileOutputType WRITE setFileOutputType)
    Q_PROPERTY(int fileOutputCounterPadZeros READ fileOutputCounterPadZeros WRITE setFileOutputCounterPadZeros)

public:
    explicit FileNameProfile(QObject *parent = nullptr);

    static ProfileFactory factory();
    static ProfileManager *manager();

    // counter -1 names a single image: no suffix, no counter. frameMs is
    // the time of the pictured frame, for the time tokens, and frameNumber
    // its number from 0 in presentation order, -1 when unknown.
    QString generateFileName(const QString &baseName, int counter, int imageCount, qint64 frameMs = 0,
                             qint64 frameNumber = -1) const;
    QString generateFileName(const QString &baseName) const;

    // Replaces {video} with the video's base name, {time} with the frame
    // time as hh-mm-ss.mmm, {ms} with it in milliseconds and {frame} with
    // the frame's number (left as it is while the number is unknown).
    static QString resolveTokens(const QString &text, const QString &videoName, qint64 frameMs,
                                 qint64 frameNumber = -1);
    static QString timeToken(qint64 frameMs);
    // True when a name depends on the frame's time or number.
    bool namesByTime() const;
    // True when a name holds the frame's number, which takes counting.
    bool namesByFrameNumber() const;

    QString fileOutputPrefix() const { return m_fileOutputPrefix; }
    void setFileOutputPrefix(const QString &value) { m_fileOutputPrefix = value; }
    QString fileBaseName() const { return m_fileBaseName; }
    void setFileBaseName(const QString &value) { m_fileBaseName = value; }
    QString fileOutputSuffix() const { return m_fileOutputSuffix; }
    void setFileOutputSuffix(const QString &value) { m_fileOutputSuffix = value; }
    QString fileOutputType() const { return m_fileOutputType; }
    void setFileOutputType(const QString &value) { m_fileOutputType = value; }
    // A digit count: -1 automatic, 0 none, n > 0 at least n digits. Held
    // within what the editor offers (ten leading zeros), so a stored
    // million does not make every name a megabyte of zeros.
    static constexpr int MinCounterDigits = -1;
    static constexpr int MaxCounterDigits = 11;
    int fileOutputCounterPadZeros() const { return m_fileOutputCounterPadZeros; }
    void setFileOutputCounterPadZeros(int value)
    {
        m_fileOutputCounterPadZeros = qBound(MinCounterDigits, value, MaxCounterDigits);
    }

private:
    QString m_fileOutputPrefix;
    QString m_fileBaseName;
    QString m_fileOutputSuffix = QStringLiteral("-");
    QString m_fileOutputType = QStringLiteral("jpeg");
    int m_fileOutputCounterPadZeros = 0;
};

#endif
