#pragma once

#include <QAbstractButton>
#include <QString>

class Theme;

// An image button in the board's flash style: the image at its natural size,
// centred; at 0.7 opacity while pressed; at 0.3 opacity while disabled, when
// it also ignores clicks. A template image is drawn black, or white on a black
// cell while the button is active. It never takes keyboard focus, so the
// window's shortcuts keep working after a click.
class FlashButton : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr qreal pressedOpacity = 0.7;
    static constexpr qreal disabledOpacity = 0.3;

    FlashButton(const Theme& theme, const QString& assetName, bool isTemplate, QWidget* parent = nullptr);

    void setAssetName(const QString& assetName);
    void setActive(bool active);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    [[nodiscard]] qreal drawnOpacity() const;

    const Theme& m_theme;
    QString m_assetName;
    bool m_template;
    bool m_active = false;
};
