#pragma once

#include <QWidget>

#include <functional>

class Checkbox;
class QLabel;
class Theme;

// The delete confirmation over the gallery's card: the card dimmed to 30 %
// black (clicks on it do nothing), and in its middle the double-outlined box
// with the question, a "Don't ask me again" box and the Cancel and Delete
// buttons.
class DeleteConfirmDialog : public QWidget {
    Q_OBJECT

public:
    DeleteConfirmDialog(const Theme& theme, std::function<void()> onCancel, std::function<void()> onDelete,
        std::function<void(bool)> onDontShowAgainChanged, QWidget* parent = nullptr);

    [[nodiscard]] static QString message(int count);
    // Shows the dialog for `count` images with the box as `dontShowAgain` says.
    void present(int count, bool dontShowAgain);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QWidget* m_frame;
    QLabel* m_message;
    Checkbox* m_dontShowAgain;
};
