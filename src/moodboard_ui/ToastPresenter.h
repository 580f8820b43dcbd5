#pragma once

#include <QObject>
#include <QString>
#include <QVariantAnimation>

#include <chrono>
#include <optional>

// The board's short messages ("Saved to Collages!"): a toast fades in over
// 0.3 s and, 1.4 s after it was asked for, fades out over 0.4 s. A later toast
// replaces the text but does not put off an earlier one's clearing, so two
// toasts a second apart both go when the first one's time is up.
class ToastPresenter : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds fadeIn { 300 };
    static constexpr std::chrono::milliseconds shownFor { 1400 };
    static constexpr std::chrono::milliseconds fadeOut { 400 };

    explicit ToastPresenter(QObject* parent = nullptr);

    void show(const QString& message);

    // The message asked for, until its clearing; none while fading out.
    [[nodiscard]] const std::optional<QString>& message() const { return m_message; }
    // What is drawn: the message, or while it fades out the one that was shown.
    [[nodiscard]] const QString& shownText() const { return m_shownText; }
    [[nodiscard]] qreal opacity() const { return m_opacity; }

Q_SIGNALS:
    // The text or the opacity changed.
    void changed();

private:
    void fadeTo(qreal target, std::chrono::milliseconds duration);

    std::optional<QString> m_message;
    QString m_shownText;
    qreal m_opacity = 0;
    QVariantAnimation m_fade;
};
