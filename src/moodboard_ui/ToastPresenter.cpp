#include "moodboard_ui/ToastPresenter.h"

#include "platform/MainQueue.h"

ToastPresenter::ToastPresenter(QObject* parent)
    : QObject(parent)
{
    m_fade.setEasingCurve(QEasingCurve::InOutQuad);
    connect(&m_fade, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_opacity = value.toReal();
        Q_EMIT changed();
    });
}

void ToastPresenter::show(const QString& message)
{
    m_message = message;
    m_shownText = message;
    fadeTo(1, fadeIn);
    MainQueue::after(shownFor, this, [this] {
        m_message.reset();
        fadeTo(0, fadeOut);
    });
}

void ToastPresenter::fadeTo(qreal target, std::chrono::milliseconds duration)
{
    m_fade.stop();
    m_fade.setStartValue(m_opacity);
    m_fade.setEndValue(target);
    m_fade.setDuration(int(duration.count()));
    m_fade.start();
    Q_EMIT changed();
}
