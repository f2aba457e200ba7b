#ifndef VISTALOOM_BASEPROFILE_H
#define VISTALOOM_BASEPROFILE_H

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QSettings;

// A named, persistent settings record. Subclasses declare their settings as
// Qt properties; storage walks the meta-object so no kind needs its own code.
class BaseProfile : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name READ name WRITE setName)
    Q_PROPERTY(QString id READ id WRITE setId)

public:
    // Profiles are owned through std::unique_ptr (a manager holds its
    // own), never by a QObject parent.
    explicit BaseProfile(QObject *parent = nullptr);

    QString name() const;
    void setName(const QString &name);
    QString id() const;
    void setId(const QString &id);

    void loadFromSettings(QSettings &settings);
    void saveToSettings(QSettings &settings) const;

private:
    QString m_name;
    QString m_id;
};

using ProfileFactory = std::function<std::unique_ptr<BaseProfile>()>;

#endif
