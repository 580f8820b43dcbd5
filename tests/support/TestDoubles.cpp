#include "TestDoubles.h"

void ScriptedFilePanels::runOpenPanel(const OpenPanelRequest& request, OpenCompletion completion)
{
    lastOpenRequest = request;
    m_openCompletion = std::move(completion);
}

void ScriptedFilePanels::runSavePanel(const SavePanelRequest& request, SaveCompletion completion)
{
    lastSaveRequest = request;
    m_saveCompletion = std::move(completion);
}

void ScriptedFilePanels::answerOpen(std::optional<QStringList> paths)
{
    auto completion = std::exchange(m_openCompletion, nullptr);
    if (completion)
        completion(std::move(paths));
}

void ScriptedFilePanels::answerSave(std::optional<QString> path)
{
    auto completion = std::exchange(m_saveCompletion, nullptr);
    if (completion)
        completion(std::move(path));
}

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
