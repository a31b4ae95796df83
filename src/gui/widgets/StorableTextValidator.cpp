#include "gui/widgets/StorableTextValidator.h"

#include "core/base/CodePage1254.h"

#include <QLineEdit>

namespace nakilon {

QValidator::State StorableTextValidator::validate(QString& input, int&) const {
    return isStorableText(input.toStdString()) ? Acceptable : Invalid;
}

void makeStorable(QLineEdit* edit) {
    edit->setValidator(new StorableTextValidator(edit));
}

} // namespace nakilon
