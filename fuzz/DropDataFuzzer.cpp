// What a drop or the clipboard offers the gallery and the board (QMimeData from
// another program): any set of formats and contents gives a request that names
// only absolute local files or picture data, and a drag refused from its
// formats alone never held anything importable.
//
// Input: records of a format name (one byte picks a common one, or the name
// follows) and its bytes, each length-prefixed by the data provider.

#include "FuzzCheck.h"

#include "gallery/ImportRequest.h"

#include <QMimeData>

#include <fuzzer/FuzzedDataProvider.h>

#include <array>

namespace {
const std::array<const char*, 9> commonFormats { "text/uri-list", "text/plain", "text/plain;charset=utf-8", "image/png",
    "image/jpeg", "image/gif", "x-special/gnome-copied-files", "application/x-qt-image", "text/x-moz-url" };
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    QMimeData mime;
    for (int record = 0; record < 6 && input.remaining_bytes() > 0; ++record) {
        const auto pick = input.ConsumeIntegralInRange<size_t>(0, commonFormats.size());
        const QString format = pick < commonFormats.size()
            ? QString::fromLatin1(commonFormats[pick])
            : QString::fromStdString(input.ConsumeRandomLengthString(40));
        const std::string bytes = input.ConsumeRandomLengthString(2000);
        if (!format.isEmpty())
            mime.setData(format, QByteArray(bytes.data(), qsizetype(bytes.size())));
    }

    const ImportRequest request = ImportRequest::fromMimeData(mime, QStringLiteral("dropped image"));
    if (!request.sources.isEmpty())
        FUZZ_CHECK(ImportRequest::mayHoldPictures(mime));
    for (const ImportSource& source : request.sources) {
        if (const auto* path = std::get_if<QString>(&source.picture))
            FUZZ_CHECK(path->startsWith(QLatin1Char('/')));
        else if (const auto* bytes = std::get_if<QByteArray>(&source.picture))
            FUZZ_CHECK(!bytes->isEmpty());
    }
    for (const QUrl& url : request.skippedRemoteUrls)
        FUZZ_CHECK(url.isValid());
    return 0;
}
