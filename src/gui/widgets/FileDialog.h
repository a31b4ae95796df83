#pragma once

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace nakilon {

// The file-open dialog: starts in `folder`, has no file-type filter and also
// accepts the name of a file that does not exist yet. Returns the full name
// of the chosen file, or nullopt when the operator cancels.
std::optional<QString> chooseFile(QWidget* parent, const QString& folder);

namespace testing {

// While a hook is set no dialog opens: the hook gets the starting folder and
// returns the operator's choice. An empty hook restores the real dialog.
using FileDialogHook = std::function<std::optional<QString>(const QString& folder)>;
void setFileDialogHook(FileDialogHook hook);

} // namespace testing

} // namespace nakilon
