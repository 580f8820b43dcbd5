#include "platform/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace AtomicFile {

namespace {

// What fsync answers on filesystems that have nothing to flush or cannot.
bool cannotSync(int error)
{
    return error == EINVAL || error == ENOTSUP || error == EOPNOTSUPP || error == ENOSYS;
}

} // namespace

std::optional<QString> write(const QString& path, const QByteArray& data)
{
    QSaveFile file(path);
    // Unbuffered, so every failing write reports itself with its reason. Buffered,
    // a small file's bytes would only be written by commit(), and Qt 6.4's commit()
    // does not notice that this failed (a full disk): it renames the truncated file
    // over the good one and reports success.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    for (qint64 written = 0; written < data.size();) {
        const qint64 count = file.write(data.constData() + written, data.size() - written);
        if (count <= 0) {
            const QString error = file.errorString();
            file.cancelWriting();
            return error;
        }
        written += count;
    }
    // commit() syncs too, but ignores a failure; the rename must only follow bytes
    // that are really on the disk.
    if (::fsync(file.handle()) != 0 && !cannotSync(errno)) {
        const QString error = qt_error_string(errno);
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return file.errorString();
    return syncFolder(QFileInfo(path).absolutePath());
}

std::optional<QString> syncFolder(const QString& folder)
{
    const int handle = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder we may write into but not read cannot be opened to be flushed.
    if (handle < 0)
        return errno == EACCES ? std::nullopt : std::optional(qt_error_string(errno));
    std::optional<QString> error;
    if (::fsync(handle) != 0 && !cannotSync(errno))
        error = QStringLiteral("could not flush the folder ") + folder + QStringLiteral(": ") + qt_error_string(errno);
    ::close(handle);
    return error;
}

std::optional<QString> makeFolders(const QString& folder)
{
    const QString target = QDir::cleanPath(QDir(folder).absolutePath());
    QStringList missing;
    for (QString path = target; !QFileInfo(path).isDir();) {
        missing.prepend(path);
        const QString parent = QFileInfo(path).absolutePath();
        if (parent == path)
            break;
        path = parent;
    }
    for (const QString& path : std::as_const(missing)) {
        if (!QDir().mkdir(path) && !QFileInfo(path).isDir())
            return QStringLiteral("could not create the folder ") + path;
        if (auto error = syncFolder(QFileInfo(path).absolutePath()))
            return error;
    }
    return std::nullopt;
}

void removeLeftovers(const QString& folder, const QString& nameFilter)
{
    // QSaveFile names its temporary file after the target and six random letters or digits.
    static const QRegularExpression random(QStringLiteral("\\.[A-Za-z0-9]{6}$"));
    QDir dir(folder);
    for (const QString& name : dir.entryList({ nameFilter + QStringLiteral(".??????") }, QDir::Files | QDir::Hidden)) {
        if (random.match(name).hasMatch())
            (void)dir.remove(name);
    }
}

} // namespace AtomicFile
