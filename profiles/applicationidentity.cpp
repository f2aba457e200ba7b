#include "applicationidentity.h"

#include <QCoreApplication>

namespace ApplicationIdentity {

QString name() { return QStringLiteral("Vistaloom"); }
QString organizationName() { return QStringLiteral("Vistaloom"); }
QString organizationDomain() { return QStringLiteral("vistaloom.org"); }
QString version() { return QStringLiteral(VISTALOOM_VERSION); }

void apply()
{
    QCoreApplication::setApplicationName(name());
    QCoreApplication::setOrganizationName(organizationName());
    QCoreApplication::setOrganizationDomain(organizationDomain());
    QCoreApplication::setApplicationVersion(version());
}

} // namespace ApplicationIdentity
