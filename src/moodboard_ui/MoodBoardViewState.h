#pragma once

#include <QObject>

#include <functional>

class CanvasStore;

// The viewport shared by the Mood Board's controller and its view: pan offsets
// and zoom, kept by the controller so they survive closing and re-opening the
// window (not across launches), and a hook through which the controller
// scrolls the view's layer list.
class MoodBoardViewState : public QObject {
    Q_OBJECT

public:
    explicit MoodBoardViewState(CanvasStore& canvasStore, QObject* parent = nullptr)
        : QObject(parent)
        , canvasStore(canvasStore)
    {
    }

    CanvasStore& canvasStore;
    // Set by the view while it shows a layer list; takes a wheel delta in steps.
    std::function<void(double)> onLayerScroll;

    [[nodiscard]] double canvasOffsetX() const { return m_offsetX; }
    [[nodiscard]] double canvasOffsetY() const { return m_offsetY; }
    [[nodiscard]] double canvasScale() const { return m_scale; }
    void setCanvasOffset(double x, double y);
    void setCanvasScale(double scale);

Q_SIGNALS:
    void viewportChanged();

private:
    double m_offsetX = 0;
    double m_offsetY = 0;
    double m_scale = 1.0;
};
