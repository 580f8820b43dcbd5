#pragma once

#include "gallery/ImageImporter.h"
#include "gallery/ImportRequest.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>

class GalleryStore;

// The one way pictures come into the gallery: the tray's import, the command
// line, and every drop and paste. The pictures are converted off the main
// thread on the shared pool, one import after another, and handed back as they
// are converted, several at a time (at most every tenth of a second or so),
// so that a long import neither blocks a window nor makes it redraw for every
// picture. Each comes in as a new cut-out, in the order given, so the last one
// given ends up first. At the end one line names what could not be imported.
class GalleryImporter : public QObject {
    Q_OBJECT

public:
    // The cut-outs an import added, in the order given, on the main thread.
    using Completion = std::function<void(const QList<ImportedImage>& added)>;

    // The store must outlive the importer.
    explicit GalleryImporter(GalleryStore& store, QObject* parent = nullptr);
    // Conversion not yet under way is abandoned.
    ~GalleryImporter() override;

    GalleryImporter(const GalleryImporter&) = delete;
    GalleryImporter& operator=(const GalleryImporter&) = delete;

    // Logs the skipped remote addresses at once, then imports the sources
    // after any import already under way. `completion` is not called once
    // `context`, when given, has been destroyed.
    void importPictures(const ImportRequest& request, const QObject* context = nullptr, Completion completion = {});

    // Over every import under way or waiting: pictures converted or failed so
    // far, and pictures asked for; both 0 when there is nothing to do.
    [[nodiscard]] qsizetype picturesDone() const;
    [[nodiscard]] qsizetype picturesAsked() const;

    // "[Import] Skipped N remote file(s): <url>, <url>", passwords left out.
    [[nodiscard]] static QString skippedRemoteLine(const QList<QUrl>& urls);

Q_SIGNALS:
    // After every change of picturesDone() or picturesAsked().
    void progressChanged(qsizetype done, qsizetype asked);

private:
    struct Job {
        QList<ImportSource> sources;
        QPointer<const QObject> context;
        bool hasContext = false;
        Completion completion;
        QList<ImportedImage> added;
        QStringList failedNames;
        qsizetype done = 0;
    };
    // What the conversion hands back at a time.
    struct Batch {
        QList<ImportedImage> images;
        QStringList failedNames;
        qsizetype processed = 0;
        bool finished = false;
    };

    void startNext();
    void deliver(Batch batch);

    GalleryStore& m_store;
    std::deque<Job> m_jobs; // the first is under way, the others wait their turn
    bool m_converting = false;
    std::shared_ptr<std::atomic<bool>> m_cancelled;
};
