#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>

class CanvasStore;
class FilePanels;
class GalleryStore;

// Takes the finished board out of the app, from the save menu: "Download"
// writes it as a PNG file where the user chooses, "Save to Collages" adds it
// to the gallery's collages. Both render the area the layers cover at three
// pixels per canvas point on a transparent background.
//
// A large board takes seconds to render and encode, so that work runs on the
// shared thread pool, from a copy of the layers taken at the click; the steps
// that follow (the save dialog, the collage, the toast and every log line)
// come back to the main thread in the same order. After 100 ms of it the
// pointer shows that the app is busy.
class CanvasExport : public QObject {
    Q_OBJECT

public:
    static constexpr int busyCursorDelayMs = 100;

    CanvasExport(CanvasStore& canvasStore, GalleryStore& galleryStore, FilePanels& filePanels,
        std::function<void(const QString&)> showToast, QObject* parent = nullptr);
    ~CanvasExport() override;

    void download();
    void saveToCollages();

    // "Scrapwick_Canvas_" + whole seconds since 1970 + ".png".
    [[nodiscard]] static QString suggestedFileName(const QDateTime& now);

private:
    // Renders the board off the main thread; `done` gets the PNG bytes on the
    // main thread. Failures are logged under `tag` ("[Export]", "[Gallery]").
    void render(const QString& tag, std::function<void(const QByteArray&)> done);
    void setBusy(bool busy);

    CanvasStore& m_canvasStore;
    GalleryStore& m_galleryStore;
    FilePanels& m_filePanels;
    std::function<void(const QString&)> m_showToast;
    int m_running = 0;
    bool m_busyCursorShown = false;
};
