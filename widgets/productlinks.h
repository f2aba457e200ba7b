#ifndef VISTALOOM_PRODUCTLINKS_H
#define VISTALOOM_PRODUCTLINKS_H

#include <QString>

// Where users find help and the makers.
namespace ProductLinks {

inline QString website() { return QStringLiteral("https://vistaloom.org/"); }
inline QString websiteName() { return QStringLiteral("vistaloom.org"); }
inline QString supportPage() { return QStringLiteral("https://vistaloom.org/support.html"); }
inline QString commandLinePage() { return QStringLiteral("https://vistaloom.org/support.html#command"); }
inline QString supportEmail() { return QStringLiteral("support@vistaloom.org"); }

} // namespace ProductLinks

#endif
