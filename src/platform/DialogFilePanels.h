#pragma once

#include "platform/FilePanels.h"

// QFileDialog opened window-modal-free with open(): the event loop keeps running.
class DialogFilePanels final : public FilePanels {
public:
    void runOpenPanel(const OpenPanelRequest& request, OpenCompletion completion) override;
    void runSavePanel(const SavePanelRequest& request, SaveCompletion completion) override;
};
