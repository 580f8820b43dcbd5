#include "SessionUser.h"

#include <QProcess>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

SessionUser::SessionUser(uid_t uid, gid_t gid)
    : m_uid(uid)
    , m_gid(gid)
{
}

std::optional<SessionUser> SessionUser::obtain()
{
    if (geteuid() != 0)
        return SessionUser(geteuid(), getegid());
    // Test programs may run side by side: one of them may make it meanwhile.
    const char* name = "scrapwick-e2e";
    if (!getpwnam(name))
        QProcess::execute("useradd",
            { "--system", "--no-create-home", "--user-group", "--shell", "/usr/sbin/nologin",
                QString::fromLatin1(name) });
    const passwd* entry = getpwnam(name);
    return entry ? std::optional(SessionUser(entry->pw_uid, entry->pw_gid)) : std::nullopt;
}

void SessionUser::applyTo(QProcess& process) const
{
    if (m_uid == geteuid())
        return;
    process.setChildProcessModifier([uid = m_uid, gid = m_gid] {
        // In the child, between fork and exec: plain system calls only.
        if (setgroups(1, &gid) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
            _exit(126);
    });
}

bool SessionUser::own(const QString& path, mode_t mode) const
{
    const QByteArray name = path.toLocal8Bit();
    return chown(name.constData(), m_uid, m_gid) == 0 && chmod(name.constData(), mode) == 0;
}
