#include "gui/models/FieldEditorLink.h"

#include "core/base/CodePage1254.h"
#include "core/base/Error.h"
#include "core/tables/RecordTable.h"
#include "gui/widgets/Command.h"
#include "gui/widgets/StorableTextValidator.h"
#include "gui/widgets/WholeNumberEdit.h"

#include <QComboBox>
#include <QLineEdit>

#include <string>

namespace nakilon {

FieldEditorLink::FieldEditorLink(RecordTable& table, QWidget* owner)
    : QObject(owner), m_table(table), m_owner(owner) {
    m_table.addObserver(this);
}

FieldEditorLink::~FieldEditorLink() {
    m_table.removeObserver(this);
}

void FieldEditorLink::bindText(QLineEdit* edit, std::string_view field) {
    const std::string fieldName(field);
    const int index = m_table.fieldIndex(fieldName);
    edit->setMaxLength(m_table.field(index).width);
    makeStorable(edit);
    connect(edit, &QLineEdit::textEdited, this, [this, fieldName](const QString& text) {
        store([&] {
            const auto bytes = utf8ToCp1254(text.toStdString());
            if (!bytes)
                throw Error("Bu metin kaydedilemez: " + text.toStdString());
            m_table.setText(fieldName, *bytes);
        });
    });
    m_shows.push_back([this, edit, fieldName] {
        const QString text = QString::fromStdString(cp1254ToUtf8(m_table.asText(fieldName)));
        // Setting the same text again would move the operator's cursor.
        if (edit->text() != text)
            edit->setText(text);
    });
}

void FieldEditorLink::bindNumber(WholeNumberEdit* edit, std::string_view field) {
    const std::string fieldName(field);
    m_table.fieldIndex(fieldName);
    connect(edit, &WholeNumberEdit::valueEdited, this,
            [this, fieldName](std::optional<int32_t> value) {
                store([&] {
                    if (value)
                        m_table.setInteger(fieldName, *value);
                    else
                        m_table.clear(fieldName);
                });
            });
    m_shows.push_back([this, edit, fieldName] {
        edit->setValue(m_table.isNull(fieldName)
                           ? std::nullopt
                           : std::optional<int32_t>(m_table.asInteger(fieldName)));
    });
}

void FieldEditorLink::bindChoice(QComboBox* box, std::string_view field,
                                 const std::vector<std::pair<int, QString>>& choices) {
    const std::string fieldName(field);
    m_table.fieldIndex(fieldName);
    box->clear();
    for (const auto& [value, text] : choices)
        box->addItem(text, value);
    connect(box, &QComboBox::activated, this, [this, box, fieldName](int index) {
        store([&] { m_table.setInteger(fieldName, box->itemData(index).toInt()); });
    });
    m_shows.push_back([this, box, fieldName] {
        box->setCurrentIndex(
            m_table.isNull(fieldName) ? -1 : box->findData(int{m_table.asInteger(fieldName)}));
    });
}

void FieldEditorLink::showRecord() {
    for (const auto& show : m_shows)
        show();
}

void FieldEditorLink::store(const std::function<void()>& write) {
    m_storing = true;
    const bool stored = runCommand(m_owner, [&] {
        if (m_table.state() == TableState::Browse)
            m_table.edit();
        write();
    });
    m_storing = false;
    // The editor goes back to what the record holds.
    if (!stored)
        showRecord();
}

void FieldEditorLink::recordChanged(int row) {
    if (!m_storing && row == m_table.currentRow())
        showRecord();
}

void FieldEditorLink::currentChanged(int) {
    if (!m_storing)
        showRecord();
}

void FieldEditorLink::resetEnds() {
    showRecord();
}

void FieldEditorLink::valuesRefreshed() {
    if (!m_storing)
        showRecord();
}

} // namespace nakilon
