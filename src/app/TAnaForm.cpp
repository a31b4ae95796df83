#include "app/TAnaForm.h"

#include "app/DeviceTab.h"
#include "app/ProgramValues.h"
#include "app/SettingsTab.h"
#include "app/TransferTab.h"
#include "common/Command.h"
#include "ui_TAnaForm.h"

#include <QScreen>
#include <QShowEvent>

namespace nakilon {

TAnaForm::TAnaForm(TDataModul& dataModul, ProgramValues& values, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TAnaForm>()), m_data(dataModul), m_values(values) {
    m_ui->setupUi(this);
    m_transferTab = new TransferTab(dataModul, this);
    m_deviceTab = new DeviceTab(dataModul, values, this);
    m_settingsTab = new SettingsTab(values, this);
    m_ui->Sayfalar->addTab(m_transferTab, QStringLiteral("Hareketleri Aktar"));
    m_ui->Sayfalar->addTab(m_deviceTab, QStringLiteral("Cihaz Ayarları"));
    m_ui->Sayfalar->addTab(m_settingsTab, QStringLiteral("Ayarlar"));
    m_ui->Sayfalar->setCurrentIndex(0);
    // Nothing is saved on the way out: every change was written when made.
    connect(m_ui->KapatButon, &QPushButton::clicked, this, &QWidget::close);
}

TAnaForm::~TAnaForm() = default;

bool TAnaForm::create(const std::string& programFolder) {
    return runCommand(this, [&] { runCreationStep(programFolder, m_data, m_values, *this); });
}

void TAnaForm::setCaption(const std::string& utf8) {
    setWindowTitle(QString::fromStdString(utf8));
}

void TAnaForm::showOutputFileName(const std::string& utf8) {
    m_settingsTab->showOutputFileName(QString::fromStdString(utf8));
}

bool TAnaForm::kayitSilChecked() const {
    return m_settingsTab->kayitSilChecked();
}

void TAnaForm::setKayitSilChecked(bool checked) {
    m_settingsTab->setKayitSilChecked(checked);
}

void TAnaForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous() && !m_shownOnce) {
        m_shownOnce = true;
        centreOnScreen();
        FormShow();
    }
}

// Start-up put the output file name into its edit, which enabled "Kaydet";
// the operator has changed nothing yet.
void TAnaForm::FormShow() {
    m_settingsTab->disableSave();
}

void TAnaForm::centreOnScreen() {
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

} // namespace nakilon
