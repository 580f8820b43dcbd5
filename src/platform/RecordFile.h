#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

// A file a store reads whole when it starts and rewrites after every change: the
// gallery index, the canvas record. When the file found at start cannot be used
// the store starts empty, yet the user's data is still in it (written by a newer
// version, damaged on disk, edited by hand). So before the first write would
// replace it, it is moved aside as "<name>.unreadable-<UTC yyyyMMdd-HHmmss>",
// with "-2", "-3", ... appended while that name is taken.
//
// Copies share that state: write jobs carry their own copy to the store's queue,
// and a move that failed is tried again by the next write.
class RecordFile {
public:
    // Anything larger is not a file this program wrote, and reading it whole on
    // the main thread could exhaust memory.
    static constexpr qint64 maxBytes = 64 * 1024 * 1024;

    // `logTag` and `description` name the file in log lines ("[GalleryStore]", "index").
    RecordFile(QString path, QString logTag, QString description);

    [[nodiscard]] const QString& path() const { return m_path; }

    // The whole file. Nothing when there is no file, and nothing when it cannot
    // be read or is larger than maxBytes: it then counts as unreadable.
    [[nodiscard]] std::optional<QByteArray> read();
    // The bytes were read but could not be decoded.
    void markUnreadable();

    // Called by each write job before it writes: moves an unreadable file found
    // at start out of the way (logged). False when it had to stay where it is
    // (logged too): the caller must not write over it.
    [[nodiscard]] bool makeWayForWrite() const;

    [[nodiscard]] QString keepAsidePath(const QDateTime& now) const;

private:
    QString m_path;
    QString m_logTag;
    QString m_description;
    std::shared_ptr<std::atomic<bool>> m_unreadable;
};
