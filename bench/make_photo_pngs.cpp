// Writes the photo-like PNGs the thumbnail benchmark reads:
//   scrapwick-bench-photos FOLDER [COUNT]
#include "PhotoLikeImages.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [COUNT]\n", argv[0]);
        return 2;
    }
    const int count = argc > 2 ? std::atoi(argv[2]) : 200;
    const QStringList paths = PhotoLikeImages::make(QString::fromLocal8Bit(argv[1]), count);
    std::printf("%lld images in %s\n", static_cast<long long>(paths.size()), argv[1]);
    return 0;
}
