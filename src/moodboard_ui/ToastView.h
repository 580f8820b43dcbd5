#pragma once

#include <QPointF>
#include <QWidget>

class Theme;
class ToastPresenter;

// The toast as drawn: the message in the title font at 9 points, black, with
// 12 points of padding at the sides and 6 above and below, on white with a
// black outline, at the presenter's opacity, centred on a point of its parent.
// Clicks pass through it.
class ToastView : public QWidget {
    Q_OBJECT

public:
    ToastView(const Theme& theme, const ToastPresenter& presenter, QWidget* parent = nullptr);

    void setCentre(QPointF centre);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void relayout();

    const Theme& m_theme;
    const ToastPresenter& m_presenter;
    QPointF m_centre;
};
