#include "platform/DialogFilePanels.h"

#include <QFileDialog>

namespace {

// The dialog deletes itself once answered; the completion runs exactly once.
QFileDialog* makeDialog(const QString& title, const QString& prompt)
{
    auto* dialog = new QFileDialog(nullptr, title);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (!prompt.isEmpty())
        dialog->setLabelText(QFileDialog::Accept, prompt);
    return dialog;
}

} // namespace

void DialogFilePanels::runOpenPanel(const OpenPanelRequest& request, OpenCompletion completion)
{
    QFileDialog* dialog = makeDialog(request.title, request.prompt);
    if (!request.nameFilters.isEmpty())
        dialog->setNameFilters(request.nameFilters); // selects the first
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    if (request.choosesDirectories) {
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly);
    } else {
        dialog->setFileMode(request.allowsMultipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    }
    if (!request.directory.isEmpty())
        dialog->setDirectory(request.directory);
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, completion = std::move(completion)](int result) {
        if (result == QDialog::Accepted)
            completion(dialog->selectedFiles());
        else
            completion(std::nullopt);
    });
    dialog->open();
    dialog->raise();
    dialog->activateWindow();
}

void DialogFilePanels::runSavePanel(const SavePanelRequest& request, SaveCompletion completion)
{
    QFileDialog* dialog = makeDialog(request.title, request.prompt);
    if (!request.mimeTypeFilters.isEmpty())
        dialog->setMimeTypeFilters(request.mimeTypeFilters);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    if (!request.defaultSuffix.isEmpty())
        dialog->setDefaultSuffix(request.defaultSuffix);
    if (!request.directory.isEmpty())
        dialog->setDirectory(request.directory);
    if (!request.suggestedFileName.isEmpty())
        dialog->selectFile(request.suggestedFileName);
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, completion = std::move(completion)](int result) {
        const QStringList files = dialog->selectedFiles();
        if (result == QDialog::Accepted && !files.isEmpty())
            completion(files.first());
        else
            completion(std::nullopt);
    });
    dialog->open();
    dialog->raise();
    dialog->activateWindow();
}
