#include "gui/widgets/RecordNavigator.h"

#include "core/tables/RecordTable.h"
#include "gui/widgets/Command.h"
#include "gui/widgets/MessageBox.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace nakilon {

RecordNavigator::RecordNavigator(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    m_insert = addButton("navEkle", QStringLiteral("+"), QStringLiteral("Kayıt Ekle"),
                         &RecordNavigator::insertRecord);
    m_delete = addButton("navSil", QStringLiteral("−"), QStringLiteral("Kaydı Sil"),
                         &RecordNavigator::deleteRecord);
    m_edit = addButton("navDuzenle", QStringLiteral("▲"), QStringLiteral("Kaydı Düzenle"),
                       &RecordNavigator::editRecord);
    m_post = addButton("navOnayla", QStringLiteral("✓"), QStringLiteral("Değişikliği Onayla"),
                       &RecordNavigator::postRecord);
    m_cancel = addButton("navIptal", QStringLiteral("✗"), QStringLiteral("Değişikliği İptal Et"),
                         &RecordNavigator::cancelRecord);
    m_refresh = addButton("navYenile", QStringLiteral("↻"), QStringLiteral("Yenile"),
                          &RecordNavigator::refreshTable);
    updateButtons();
}

RecordNavigator::~RecordNavigator() {
    if (m_table)
        m_table->removeObserver(this);
}

void RecordNavigator::setTable(RecordTable* table) {
    if (m_table)
        m_table->removeObserver(this);
    m_table = table;
    if (m_table)
        m_table->addObserver(this);
    updateButtons();
}

QToolButton* RecordNavigator::addButton(const char* name, const QString& glyph, const QString& tip,
                                        void (RecordNavigator::*action)()) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(glyph);
    button->setToolTip(tip);
    button->setAccessibleName(tip); // read aloud instead of the glyph
    button->setMinimumSize(26, 24);
    connect(button, &QToolButton::clicked, this,
            [this, action] { runCommand(this, [&] { (this->*action)(); }); });
    layout()->addWidget(button);
    return button;
}

void RecordNavigator::insertRecord() {
    m_table->insert();
}

void RecordNavigator::deleteRecord() {
    if (!confirmWarning(window(), QStringLiteral("Kayıt silinsin mi?")))
        return;
    m_table->remove();
}

void RecordNavigator::editRecord() {
    m_table->edit();
}

void RecordNavigator::postRecord() {
    m_table->post();
}

void RecordNavigator::cancelRecord() {
    m_table->cancel();
}

void RecordNavigator::refreshTable() {
    m_table->refresh();
}

void RecordNavigator::stateChanged() {
    updateButtons();
}

void RecordNavigator::recordInserted(int) {
    updateButtons();
}

void RecordNavigator::recordRemoved(int) {
    updateButtons();
}

void RecordNavigator::resetEnds() {
    updateButtons();
}

void RecordNavigator::updateButtons() {
    const bool open = m_table && m_table->isOpen();
    const bool browsing = open && m_table->state() == TableState::Browse;
    const bool changing = open && !browsing;
    const bool rows = open && m_table->rowCount() > 0;
    m_insert->setEnabled(open);
    m_delete->setEnabled(rows);
    m_edit->setEnabled(browsing && rows);
    m_post->setEnabled(changing);
    m_cancel->setEnabled(changing);
    m_refresh->setEnabled(open);
}

} // namespace nakilon
