// scrapwick-test-window, for the drag-and-drop tests. With "--target": a text
// field that prints every change of its text as one line, "text: ...".
// Otherwise: a label that, when pressed, drags the files named on its command
// line as a uri-list, the way file managers drag files; arguments with "://"
// go as they are, as addresses.
#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTextStream>

namespace {
class DragSource final : public QLabel {
public:
    explicit DragSource(const QStringList& files)
        : QLabel(QStringLiteral("Drag me"))
    {
        for (const QString& file : files)
            m_urls.append(file.contains(QStringLiteral("://")) ? QUrl(file) : QUrl::fromLocalFile(file));
    }

protected:
    void mousePressEvent(QMouseEvent*) override
    {
        auto* data = new QMimeData;
        data->setUrls(m_urls);
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        drag->exec(Qt::CopyAction);
    }

private:
    QList<QUrl> m_urls;
};
} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments().mid(1);
    QLineEdit field;
    QObject::connect(&field, &QLineEdit::textChanged,
        [](const QString& text) { QTextStream(stdout) << "text: " << text << Qt::endl; });
    DragSource source(arguments);
    QWidget& window = arguments == QStringList { QStringLiteral("--target") } ? static_cast<QWidget&>(field) : source;
    window.setGeometry(40, 40, 420, 100);
    window.show();
    return QApplication::exec();
}
