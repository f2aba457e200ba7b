#include "batchevent.h"

BatchEvent BatchEvent::saving(const QString &fileName)
{
    return {Saving, QStringLiteral("Saving: ") + fileName, {}, -1, -1, -1};
}
