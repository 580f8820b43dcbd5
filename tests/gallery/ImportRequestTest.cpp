// What a drop or the clipboard asks to import: rows of offered formats, as file
// managers, browsers, image editors and the gallery itself offer them, and what
// comes out, worked out by hand.
#include "gallery/ImportRequest.h"
#include "support/TestFiles.h"

#include <QMimeData>
#include <QTest>

namespace {

// "file <path> as <name>", "bytes <n> as <name>", "image <w>x<h> as <name>";
// then "skip <url>" for each remote address.
QStringList describe(const ImportRequest& request)
{
    QStringList lines;
    for (const ImportSource& source : request.sources) {
        QString what;
        if (const auto* path = std::get_if<QString>(&source.picture))
            what = QStringLiteral("file ") + *path;
        else if (const auto* bytes = std::get_if<QByteArray>(&source.picture))
            what = QStringLiteral("bytes %1").arg(bytes->size());
        else
            what = QStringLiteral("image %1x%2")
                       .arg(std::get<QImage>(source.picture).width())
                       .arg(std::get<QImage>(source.picture).height());
        lines.append(what + QStringLiteral(" as ") + source.name);
    }
    for (const QUrl& url : request.skippedRemoteUrls)
        lines.append(QStringLiteral("skip ") + url.toString());
    return lines;
}

struct Row {
    const char* name;
    QList<std::pair<QString, QByteArray>> formats;
    QStringList expected;
    bool mayHold = true;
};

const QByteArray uriList = "text/uri-list";

} // namespace

class ImportRequestTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mimeDataBecomesFilesDataAndSkippedAddresses()
    {
        const QByteArray png = solidPng(3, 2);
        const QByteArray ownId = "6B29FC40-CA47-1067-B31D-00DD010662DA";
        const Row rows[] = {
            { "this machine by name", { { uriList, "file://LOCALHOST/tmp/a.png" } }, { "file /tmp/a.png as a.png" } },
            // As a file manager drags them, with addresses among them.
            { "files with remote ones, in order",
                { { uriList,
                    "file:///tmp/a.png\r\nhttps://example.com/y.png\r\nfile:///tmp/b%20c.jpg\r\nsftp://host/c.png\r\n"
                    "file://otherhost/d.png\r\n" } },
                { "file /tmp/a.png as a.png", "file /tmp/b c.jpg as b c.jpg", "skip https://example.com/y.png",
                    "skip sftp://host/c.png", "skip file://otherhost/d.png" } },
            // A browser sends the picture with its address: the picture came in.
            { "browser picture",
                { { uriList, "https://example.com/cat.png" }, { "text/plain", "https://example.com/cat.png" },
                    { "image/png", png } },
                { QStringLiteral("bytes %1 as dropped image").arg(png.size()) } },
            { "picture with two addresses",
                { { uriList, "https://example.com/cat.png\r\nhttps://example.com/dog.png" }, { "image/png", png } },
                { QStringLiteral("bytes %1 as dropped image").arg(png.size()), "skip https://example.com/dog.png" } },
            { "files win over data", { { uriList, "file:///tmp/a.png" }, { "image/png", png } },
                { "file /tmp/a.png as a.png" } },
            { "PNG preferred", { { "image/bmp", "BM1234" }, { "image/png", png } },
                { QStringLiteral("bytes %1 as dropped image").arg(png.size()) } },
            { "another image type", { { "image/jpeg", "\xff\xd8jpeg" } }, { "bytes 6 as dropped image" } },
            { "GNOME's copied files",
                { { "x-special/gnome-copied-files", "copy\nfile:///tmp/a.png\nfile:///tmp/b.png" } },
                { "file /tmp/a.png as a.png", "file /tmp/b.png as b.png" } },
            // The gallery's own drag carries its item's file and picture too.
            { "the gallery's own cell",
                { { "text/plain", ownId + ":cutouts" }, { "image/png", png }, { uriList, "file:///data/x.png" } }, {},
                false },
            { "garbage addresses",
                { { uriList,
                    "# a comment\r\nnot a url\r\n\r\n:::\r\ndata:image/png;base64,AAAA\r\nfile:relative.png" } },
                {} },
            { "empty picture data", { { "image/png", "" } }, {} },
            { "text", { { "text/plain", "hello" } }, {}, false },
            { "nothing", {}, {}, false },
        };
        for (const Row& row : rows) {
            QMimeData data;
            for (const auto& [format, bytes] : row.formats)
                data.setData(format, bytes);
            const ImportRequest request = ImportRequest::fromMimeData(data, QStringLiteral("dropped image"));
            QCOMPARE(row.name + (QStringLiteral(": ") + describe(request).join(QStringLiteral("; "))),
                row.name + (QStringLiteral(": ") + row.expected.join(QStringLiteral("; "))));
            QVERIFY2(ImportRequest::mayHoldPictures(data) == row.mayHold, row.name);
        }

        // Within one program an image comes over decoded.
        QMimeData decoded;
        decoded.setImageData(QImage(4, 3, QImage::Format_ARGB32));
        QCOMPARE(describe(ImportRequest::fromMimeData(decoded, QStringLiteral("pasted image"))),
            QStringList { "image 4x3 as pasted image" });
        QVERIFY(ImportRequest::mayHoldPictures(decoded));
    }
};

QTEST_GUILESS_MAIN(ImportRequestTest)
#include "ImportRequestTest.moc"
