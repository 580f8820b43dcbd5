#pragma once

#include <QUrl>

// Hands an address to the desktop: web pages to the browser, mailto: to the
// mail program.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual bool openUrl(const QUrl& url) = 0;
};
