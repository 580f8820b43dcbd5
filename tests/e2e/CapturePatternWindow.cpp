// A window showing the capture pattern at an exact place on the screen:
//   capture_pattern_window X Y WIDTH HEIGHT
// It bypasses the window manager so nothing moves or decorates it, and prints
// "ready" once its pixels are on the screen.

#include "CapturePattern.h"

#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <cstdio>

class PatternWidget : public QWidget {
public:
    explicit PatternWidget(QImage image)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint)
        , m_image(std::move(image))
    {
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).drawImage(0, 0, m_image);
        if (!m_announced) {
            m_announced = true;
            QTimer::singleShot(100, [] {
                std::puts("ready");
                std::fflush(stdout);
            });
        }
    }

private:
    QImage m_image;
    bool m_announced = false;
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 5)
        return 2;
    const int x = std::atoi(argv[1]), y = std::atoi(argv[2]), w = std::atoi(argv[3]), h = std::atoi(argv[4]);
    PatternWidget window(CapturePattern::image(w, h));
    window.setGeometry(x, y, w, h);
    window.show();
    return QApplication::exec();
}
