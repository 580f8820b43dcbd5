#include "platform/UserDefaults.h"

bool UserDefaults::boolForKey(const QString& key) const
{
    const QVariant v = value(key);
    // QSettings hands bools back as the strings "true" / "false".
    return v.isValid() && v.toBool();
}
