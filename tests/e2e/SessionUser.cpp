#include "SessionUser.h"

#include <QProcess>

#include <cstdlib>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr const char* userName = "scrapwick-e2e";

std::optional<std::pair<uid_t, gid_t>> lookUp()
{
    const passwd* entry = getpwnam(userName);
    if (!entry)
        return std::nullopt;
    return std::pair(entry->pw_uid, entry->pw_gid);
}
} // namespace

SessionUser::SessionUser(uid_t uid, gid_t gid, bool self)
    : m_uid(uid)
    , m_gid(gid)
    , m_self(self)
{
}

std::optional<SessionUser> SessionUser::obtain(QString& error)
{
    if (geteuid() != 0)
        return SessionUser(geteuid(), getegid(), true);
    if (!lookUp()) {
        // Test programs may run side by side: one of them may have made it meanwhile.
        QProcess useradd;
        useradd.setProcessChannelMode(QProcess::MergedChannels);
        useradd.start("useradd",
            { "--system", "--no-create-home", "--user-group", "--shell", "/usr/sbin/nologin",
                QString::fromLatin1(userName) });
        useradd.waitForFinished(30000);
        if (!lookUp()) {
            error = QString("cannot make the user %1: %2 %3")
                        .arg(QString::fromLatin1(userName), useradd.errorString(),
                            QString::fromLocal8Bit(useradd.readAll()));
            return std::nullopt;
        }
    }
    const auto [uid, gid] = *lookUp();
    return SessionUser(uid, gid, false);
}

void SessionUser::applyTo(QProcess& process) const
{
    if (m_self)
        return;
    const uid_t uid = m_uid;
    const gid_t gid = m_gid;
    process.setChildProcessModifier([uid, gid] {
        // In the child, between fork and exec: plain system calls only.
        if (setgroups(1, &gid) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
            _exit(126);
    });
}

bool SessionUser::own(const QString& path, mode_t mode) const
{
    const QByteArray name = path.toLocal8Bit();
    return (m_self || chown(name.constData(), m_uid, m_gid) == 0) && chmod(name.constData(), mode) == 0;
}

bool SessionUser::actAs(const std::function<void()>& work) const
{
    if (m_self) {
        work();
        return true;
    }
    if (setegid(m_gid) != 0)
        return false;
    if (seteuid(m_uid) != 0) {
        (void)setegid(0);
        return false;
    }
    work();
    // Back to root; failing that, this process could not go on as the test.
    if (seteuid(0) != 0 || setegid(0) != 0)
        std::abort();
    return true;
}
