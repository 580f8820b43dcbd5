#pragma once

#include <QWidget>

#include <functional>

class Theme;

// The question before the board is cleared: the confirmation frame with
// "Clear canvas? This cannot be undone." and, under it, Cancel and Clear in
// the dialogs' button style. Placed by the board on its dimmed card.
class ClearConfirmDialog : public QWidget {
    Q_OBJECT

public:
    ClearConfirmDialog(
        const Theme& theme, std::function<void()> onCancel, std::function<void()> onClear, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Theme& m_theme;
};
