#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// What a store's write jobs have not yet got onto the disk, carried from one job
// to the next, so that a full or failing disk costs nothing once it has room again:
//
// - pictures whose write failed are written again by every later job (and by a
//   last one when the store goes), and until then the record leaves them out, so
//   it never names a file that is not there;
// - files of removed items are removed only after a record that no longer names
//   them has been written, so a failed record write never leaves the old record
//   naming files that are gone;
// - whether the last record write failed.
//
// Shared (std::shared_ptr) by a store and the jobs it submits; only the jobs touch
// it, and they run one at a time on the store's serial queue.
class WriteBacklog {
public:
    // Failures are logged as "<logTag> Failed to write <noun> <ID>: <error>".
    WriteBacklog(QString logTag, QString noun);

    // An item is removed: true when its picture was still waiting, so it never
    // reached the disk and there is no file to remove.
    [[nodiscard]] bool forget(const QString& path);

    // Writes a picture atomically. A failure is logged, and the picture waits for
    // the next jobs unless an earlier write left it at `path` (a file name always
    // stands for the same picture).
    void write(const QString& path, const QString& idText, const QByteArray& bytes);

    // Writes the waiting pictures again. A success is logged; so is a failure on
    // the last attempt, when the store goes.
    void retry(bool lastAttempt);

    [[nodiscard]] bool hasWaitingPictures() const { return !m_pictures.isEmpty(); }
    [[nodiscard]] bool isWaiting(const QString& path) const { return m_pictures.contains(path); }

    // Called after each record write with the removals of that job; answers the
    // removals to carry out now (those of earlier jobs whose record failed too).
    [[nodiscard]] QStringList afterRecordWrite(bool written, const QStringList& removals);

    // Something a last job should try again: waiting pictures or removals, or a
    // record that is behind the store.
    [[nodiscard]] bool isBehind() const;

private:
    struct Picture {
        QString idText;
        QByteArray bytes;
    };

    [[nodiscard]] QString failureLine(const QString& idText, const QString& error) const;

    QString m_logTag;
    QString m_noun;
    QMap<QString, Picture> m_pictures; // by path, so they are retried in a stable order
    QStringList m_removals;
    bool m_recordBehind = false;
};
