#ifndef VISTALOOM_APPLICATIONIDENTITY_H
#define VISTALOOM_APPLICATIONIDENTITY_H

#include <QString>

// The identity both programs share, so they read and write the same
// profile files and settings store.
namespace ApplicationIdentity {

QString name();
QString organizationName();
QString organizationDomain();
QString version();

// Sets name, organization, domain and version on the running application.
void apply();

} // namespace ApplicationIdentity

#endif
