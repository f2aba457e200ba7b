#include "baseprofile.h"

#include <QMetaProperty>
#include <QSettings>
#include <QUuid>

namespace {

QString newProfileId()
{
    // "{xxxxxxxx-...}" -> the 36 characters between the braces, upper case.
    return QUuid::createUuid().toString().mid(1, 36).toUpper();
}

} // namespace

BaseProfile::BaseProfile(QObject *parent)
    : QObject(nullptr)
    , m_id(newProfileId())
{
    Q_UNUSED(parent)
}

QString BaseProfile::name() const { return m_name; }
void BaseProfile::setName(const QString &name) { m_name = name; }
QString BaseProfile::id() const { return m_id; }
void BaseProfile::setId(const QString &id) { m_id = id; }

void BaseProfile::loadFromSettings(QSettings &settings)
{
    const QMetaObject *meta = metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (!property.isStored(this) || !property.isWritable())
            continue;
        const QString key = QString::fromLatin1(property.name());
        if (settings.contains(key))
            property.write(this, settings.value(key));
    }
}

void BaseProfile::saveToSettings(QSettings &settings) const
{
    const QMetaObject *meta = metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (!property.isStored(this) || !property.isWritable())
            continue;
        settings.setValue(QString::fromLatin1(property.name()), property.read(this));
    }
}
