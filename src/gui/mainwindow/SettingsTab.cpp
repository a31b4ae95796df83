#include "gui/mainwindow/SettingsTab.h"

#include "core/settings/ProgramSettings.h"
#include "core/settings/ProgramValues.h"
#include "gui/widgets/Command.h"
#include "gui/widgets/FileDialog.h"
#include "gui/widgets/StorableTextValidator.h"
#include "ui_SettingsTab.h"

#include <QDir>
#include <QSignalBlocker>

namespace nakilon {

SettingsTab::SettingsTab(ProgramValues& values, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::SettingsTab>()), m_values(values) {
    m_ui->setupUi(this);
    makeStorable(m_ui->AdresEdit);
    placeYedekBoxOnTheRangeFrame();
    m_ui->TarihSecimBox->setVisible(false);
    m_ui->KayitSilbox->setVisible(false);

    connect(m_ui->AdresEdit, &QLineEdit::textChanged, this,
            [this] { m_ui->AdresKaydetButon->setEnabled(true); });
    connect(m_ui->AdresKaydetButon, &QPushButton::clicked, this,
            &SettingsTab::AdresKaydetButonClick);
    connect(m_ui->DegistirButon, &QPushButton::clicked, this, &SettingsTab::DegistirButonClick);
    connect(m_ui->YedekBox, &QCheckBox::toggled, m_ui->TarihSecimBox, &QWidget::setVisible);
    connect(m_ui->KayitSilbox, &QCheckBox::toggled, this, &SettingsTab::KayitSilboxChange);
    connect(m_ui->PersonelButon, &QPushButton::clicked, this, &SettingsTab::personnelListRequested);
}

SettingsTab::~SettingsTab() = default;

// YedekBox is the title of the date range: it sits on the top edge of
// TarihSecimBox, the frame's top line through its middle, and stays when the
// range is hidden.
void SettingsTab::placeYedekBoxOnTheRangeFrame() {
    QGridLayout* grid = m_ui->yedekDuzen;
    const int height = m_ui->YedekBox->sizeHint().height();
    grid->setRowMinimumHeight(0, height / 2);
    grid->setRowMinimumHeight(1, height - height / 2);
    grid->setColumnMinimumWidth(0, 8);
    grid->setColumnStretch(2, 1);
    QMargins margins = m_ui->tarihDuzen->contentsMargins();
    margins.setTop(height - height / 2 + margins.top());
    m_ui->tarihDuzen->setContentsMargins(margins);
    m_ui->YedekBox->raise();
    m_ui->TarihSecimBox->setTitleWidget(m_ui->YedekBox);
}

bool SettingsTab::backupMode() const {
    return m_ui->YedekBox->isChecked();
}

std::optional<QDate> SettingsTab::fromDate() const {
    return m_ui->TarihindenEdit->value();
}

std::optional<QDate> SettingsTab::toDate() const {
    return m_ui->TarihineEdit->value();
}

void SettingsTab::showOutputFileName(const QString& name) {
    m_ui->AdresEdit->setText(name);
}

bool SettingsTab::kayitSilChecked() const {
    return m_ui->KayitSilbox->isChecked();
}

void SettingsTab::setKayitSilChecked(bool checked) {
    const QSignalBlocker blocker(m_ui->KayitSilbox);
    m_ui->KayitSilbox->setChecked(checked);
}

void SettingsTab::disableSave() {
    m_ui->AdresKaydetButon->setEnabled(false);
}

void SettingsTab::AdresKaydetButonClick() {
    runCommand(this, [this] {
        const QString text = m_ui->AdresEdit->text();
        if (text.isEmpty())
            return;
        saveOutputFileName(m_values, text.toStdString());
        m_ui->AdresKaydetButon->setEnabled(false);
    });
}

void SettingsTab::DegistirButonClick() {
    runCommand(this, [this] {
        const auto chosen = chooseFile(this, QString::fromStdString(m_values.programFolder));
        if (!chosen)
            return;
        m_ui->AdresEdit->setText(QDir::toNativeSeparators(*chosen));
        saveOutputFileName(m_values, m_ui->AdresEdit->text().toStdString());
    });
}

void SettingsTab::KayitSilboxChange(bool checked) {
    runCommand(this, [this, checked] { saveKayitSil(m_values, checked); });
}

} // namespace nakilon
