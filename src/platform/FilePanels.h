#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

struct OpenPanelRequest {
    QString title;
    QString prompt; // the confirm button's text
    bool allowsMultipleSelection = false;
    // Name filters ("Images (*.png *.jpg)") in the order they are offered; the
    // first is selected.
    QStringList nameFilters;
    bool choosesDirectories = false; // folders only, instead of files
    QString directory; // where the panel starts; empty: the platform's choice
};

struct SavePanelRequest {
    QString title;
    QString prompt;
    QString suggestedFileName;
    QStringList mimeTypeFilters;
    QString defaultSuffix;
    QString directory; // where the panel starts; empty: the platform's choice
};

// Open and save panels that never block the event loop: the answer arrives
// later through the completion. Nothing (std::nullopt) means the user cancelled.
class FilePanels {
public:
    using OpenCompletion = std::function<void(std::optional<QStringList> chosenPaths)>;
    using SaveCompletion = std::function<void(std::optional<QString> chosenPath)>;

    virtual ~FilePanels() = default;
    virtual void runOpenPanel(const OpenPanelRequest& request, OpenCompletion completion) = 0;
    virtual void runSavePanel(const SavePanelRequest& request, SaveCompletion completion) = 0;
};
