// A window with one text field, for dropping dragged items onto: every change
// of its text is printed as one line, "text: ...". Used by the gallery's
// end-to-end test.
#include <QApplication>
#include <QLineEdit>
#include <QTextStream>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QLineEdit field;
    field.setWindowTitle(QStringLiteral("Drop Target"));
    field.setGeometry(40, 40, 420, 40);
    QObject::connect(&field, &QLineEdit::textChanged,
        [](const QString& text) { QTextStream(stdout) << "text: " << text << Qt::endl; });
    field.show();
    return application.exec();
}
