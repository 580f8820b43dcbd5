#include "TestDoubles.h"

NotificationRecorder::NotificationRecorder(NotificationCenter& center, const QStringList& watched)
    : m_center(center)
{
    for (const QString& name : watched) {
        center.addObserver(&m_token, name, [this, name](const QVariantMap& info) {
            names.append(name);
            userInfos.append(info);
        });
    }
}

NotificationRecorder::~NotificationRecorder()
{
    m_center.removeObserver(&m_token);
}
