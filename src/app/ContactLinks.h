#pragma once

#include <QString>

// Where users reach us. Every address the program opens is kept here.
namespace ContactLinks {
inline const QString supportAddress = QStringLiteral("support@scrapwick.example");
inline const QString supportSubject = QStringLiteral("Scrapwick Support");
// The product page: the official website and where updates are published.
inline const QString productPage = QStringLiteral("https://scrapwick.example");
} // namespace ContactLinks
