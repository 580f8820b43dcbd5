#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <variant>

// One picture to import: a file, or a picture that came without one (dragged
// out of a browser, pasted from an image editor).
struct ImportSource {
    // A file's path; the bytes of a picture file (PNG, JPEG, HEIC, ...); or a
    // picture already decoded, as Qt hands over images within one program.
    std::variant<QString, QByteArray, QImage> picture;
    // What the failure line calls it: the file's name, or what it is ("dropped image").
    QString name;

    [[nodiscard]] static ImportSource file(const QString& path);

    friend bool operator==(const ImportSource&, const ImportSource&) = default;
};
