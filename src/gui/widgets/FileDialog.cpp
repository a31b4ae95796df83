#include "gui/widgets/FileDialog.h"

#include <QFileDialog>

#include <utility>

namespace nakilon {

namespace {

testing::FileDialogHook& fileDialogHook() {
    static testing::FileDialogHook hook;
    return hook;
}

} // namespace

std::optional<QString> chooseFile(QWidget* parent, const QString& folder) {
    if (auto& hook = fileDialogHook())
        return hook(folder);
    QFileDialog dialog(parent, QString(), folder);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // AnyFile: the output file is often one that a first transfer creates.
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void testing::setFileDialogHook(FileDialogHook hook) {
    fileDialogHook() = std::move(hook);
}

} // namespace nakilon
