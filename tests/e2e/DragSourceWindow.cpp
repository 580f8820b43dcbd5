// A window that, when pressed, starts a drag of the files named on its command
// line as a uri-list, the way file managers drag files; arguments with "://"
// go as they are, as addresses. Used by the import's end-to-end test.
#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

namespace {

class DragSource final : public QLabel {
public:
    explicit DragSource(QList<QUrl> urls)
        : QLabel(QStringLiteral("Drag me"))
        , m_urls(std::move(urls))
    {
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
    QList<QUrl> urls;
    for (const QString& argument : QApplication::arguments().mid(1))
        urls.append(argument.contains(QStringLiteral("://")) ? QUrl(argument) : QUrl::fromLocalFile(argument));
    DragSource source(urls);
    source.setWindowTitle(QStringLiteral("Drag Source"));
    source.setGeometry(40, 40, 200, 100);
    source.show();
    return application.exec();
}
