#pragma once

// Who the programs of a Wayland test session run as. sway refuses to run as
// root, and the desktop portal only serves programs of its own user, so a
// test running as root (as CI does) runs the compositor, the portal and the
// app as an unprivileged system user, "scrapwick-e2e", made the first time
// (useradd --system --no-create-home). A test of any other user runs them as
// itself. Folders the test and the session share are handed to that user.

#include <QString>

#include <optional>
#include <sys/types.h>

class QProcess;

class SessionUser {
public:
    // The user to run as, made if need be; nothing when it cannot be had.
    [[nodiscard]] static std::optional<SessionUser> obtain();

    // `process` will run as this user, with no other groups.
    void applyTo(QProcess& process) const;
    // `path` becomes this user's, with `mode` (e.g. 0700); the test keeps its
    // way in as root.
    [[nodiscard]] bool own(const QString& path, mode_t mode) const;

private:
    SessionUser(uid_t uid, gid_t gid);

    uid_t m_uid;
    gid_t m_gid;
};
