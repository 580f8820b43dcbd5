// scrapwick-test-window, for the drag-and-drop tests. With "--target": a text
// field that prints every change of its text as one line, "text: ...".
// Otherwise: a button that, when pressed, drags the files named on its
// command line as a uri-list, the way file managers drag files; arguments
// with "://" go as they are, as addresses.
#include <QApplication>
#include <QDrag>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTextStream>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments().mid(1);
    QLineEdit field;
    QObject::connect(&field, &QLineEdit::textChanged,
        [](const QString& text) { QTextStream(stdout) << "text: " << text << Qt::endl; });
    QPushButton source(QStringLiteral("Drag me"));
    QObject::connect(&source, &QPushButton::pressed, [&] {
        QList<QUrl> urls;
        for (const QString& file : arguments)
            urls.append(file.contains(QStringLiteral("://")) ? QUrl(file) : QUrl::fromLocalFile(file));
        auto* data = new QMimeData;
        data->setUrls(urls);
        auto* drag = new QDrag(&source);
        drag->setMimeData(data);
        drag->exec(Qt::CopyAction);
    });
    QWidget& window = arguments == QStringList { QStringLiteral("--target") } ? static_cast<QWidget&>(field) : source;
    window.setGeometry(40, 40, 420, 100);
    window.show();
    return QApplication::exec();
}
