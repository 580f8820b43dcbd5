#pragma once

#include "platform/UrlOpener.h"

class DesktopUrlOpener final : public UrlOpener {
public:
    bool openUrl(const QUrl& url) override;
};
