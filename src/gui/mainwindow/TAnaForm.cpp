#include "gui/mainwindow/TAnaForm.h"

#include "core/maintenance/DeviceMaintenance.h"
#include "core/settings/ProgramValues.h"
#include "core/tables/TDataModul.h"
#include "core/transfer/EntryFilter.h"
#include "core/transfer/TransferRun.h"
#include "gui/devicelist/TCihazSecimForm.h"
#include "gui/maintenance/TZamanAyarForm.h"
#include "gui/mainwindow/DeviceTab.h"
#include "gui/mainwindow/SettingsTab.h"
#include "gui/mainwindow/TransferTab.h"
#include "gui/personnel/TPersonelForm.h"
#include "gui/widgets/Command.h"
#include "gui/widgets/WindowOperator.h"
#include "ui_TAnaForm.h"

#include <QCloseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTableView>

#include <utility>

namespace nakilon {

namespace {

std::optional<int32_t> dayNumberOf(const std::optional<QDate>& date) {
    if (!date)
        return std::nullopt;
    return dayNumber(date->year(), date->month(), date->day());
}

} // namespace

TAnaForm::TAnaForm(TDataModul& dataModul, ProgramValues& values, DeviceControl& cc,
                   DeviceControl& personelCc, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TAnaForm>()), m_data(dataModul), m_values(values),
      m_cc(cc) {
    m_ui->setupUi(this);
    m_transferTab = new TransferTab(dataModul, this);
    m_deviceTab = new DeviceTab(dataModul, values, this);
    m_settingsTab = new SettingsTab(values, this);
    const std::pair<QWidget*, QString> pages[] = {
        {m_transferTab, QStringLiteral("Hareketleri Aktar")},
        {m_deviceTab, QStringLiteral("Cihaz Ayarları")},
        {m_settingsTab, QStringLiteral("Ayarlar")},
    };
    for (const auto& [page, title] : pages) {
        page->setAccessibleName(title); // a page is named by its tab, also for screen readers
        m_ui->Sayfalar->addTab(page, title);
    }
    m_ui->Sayfalar->setCurrentIndex(0);
    putKapatLastInTabOrder();
    m_cihazSecimForm = new TCihazSecimForm(dataModul.CihazTable, this);
    // Nothing is saved on the way out: every change was written when made.
    connect(m_ui->KapatButon, &QPushButton::clicked, this, &QWidget::close);
    connect(m_transferTab->aktarButon(), &QPushButton::clicked, this, &TAnaForm::AktarButonClick);
    connect(m_deviceTab->testButon(), &QPushButton::clicked, this, &TAnaForm::TestButonClick);
    connect(m_deviceTab->yetkiliSilButon(), &QPushButton::clicked, this,
            &TAnaForm::YetkiliSilButonClick);
    connect(m_deviceTab->yedekSilButon(), &QPushButton::clicked, this,
            &TAnaForm::YedekSilButonClick);
    connect(m_deviceTab->zamanAyarButon(), &QPushButton::clicked, this,
            &TAnaForm::ZamanAyarButonClick);
    // The dialogs are made once, hidden, and live as long as the window.
    m_zamanAyarForm = new TZamanAyarForm(
        cc, [this] { return m_clock(); }, this);
    m_personelForm = new TPersonelForm(dataModul, values, personelCc, this);
    // The personnel window chooses its terminal in the one selection dialog,
    // which the main window owns.
    m_personelForm->setDeviceChooser(
        [this](const QString& caption) { return chooseDevice(*m_cihazSecimForm, caption); });
    connect(m_settingsTab->personelButon(), &QPushButton::clicked, this,
            &TAnaForm::PersonelButonClick);
}

TAnaForm::~TAnaForm() = default;

bool TAnaForm::create(const std::string& programFolder) {
    return runCommand(this, [&] { runCreationStep(programFolder, m_data, m_values, *this); });
}

void TAnaForm::AktarButonClick() {
    if (m_transferRunning)
        return;
    // The run lets the window handle events between devices; no other command
    // may start then (a second run would rewrite the output file under it).
    m_transferRunning = true;
    // Disabling the commands takes the keyboard focus from "Bilgileri Aktar";
    // it goes back there when the run ends.
    const QPointer<QWidget> focus = focusWidget();
    setCommandsEnabled(false);
    TransferOptions options;
    options.backupMode = m_settingsTab->backupMode();
    options.fromDay = dayNumberOf(m_settingsTab->fromDate());
    options.toDay = dayNumberOf(m_settingsTab->toDate());
    const DateTime now = m_clock();
    WindowOperator op(this, m_transferTab->grid());
    runCommand(this, [&] {
        nakilon::runTransfer(m_data.CihazTable, m_cc, m_values, options,
                             {now.year, now.month, now.day}, op);
    });
    setCommandsEnabled(true);
    if (focus)
        focus->setFocus(Qt::OtherFocusReason);
    m_transferRunning = false;
}

void TAnaForm::TestButonClick() {
    WindowOperator op(this);
    runCommand(this, [&] { testConnection(m_data.CihazTable, m_cc, op); });
}

void TAnaForm::YetkiliSilButonClick() {
    WindowOperator op(this);
    runCommand(this, [&] { removeAllPrivileges(m_data.CihazTable, m_cc, op); });
}

void TAnaForm::YedekSilButonClick() {
    WindowOperator op(this);
    runCommand(this, [&] { purgeDeviceRecords(m_data.CihazTable, m_cc, op); });
}

void TAnaForm::ZamanAyarButonClick() {
    WindowOperator op(this);
    std::optional<int32_t> machineNumber;
    if (!runCommand(this, [&] { machineNumber = connectForClock(m_data.CihazTable, m_cc, op); }) ||
        !machineNumber)
        return;
    // The link stays open after the dialog, until the next command on m_cc.
    m_zamanAyarForm->CihazMakineNo = *machineNumber;
    m_zamanAyarForm->exec();
}

void TAnaForm::PersonelButonClick() {
    m_personelForm->exec();
}

// The pages were made after "Kapat"; in reading order it comes after the last
// control of the last page.
void TAnaForm::putKapatLastInTabOrder() {
    QWidget* last = nullptr;
    for (QWidget* widget = m_settingsTab->nextInFocusChain(); m_settingsTab->isAncestorOf(widget);
         widget = widget->nextInFocusChain())
        if (widget->focusPolicy() & Qt::TabFocus)
            last = widget;
    if (last)
        QWidget::setTabOrder(last, m_ui->KapatButon);
}

void TAnaForm::setCommandsEnabled(bool enabled) {
    m_transferTab->aktarButon()->setEnabled(enabled);
    m_deviceTab->setEnabled(enabled);
    m_settingsTab->setEnabled(enabled);
    m_ui->KapatButon->setEnabled(enabled);
}

void TAnaForm::closeEvent(QCloseEvent* event) {
    // A run in progress holds records that no file has yet; it ends soon.
    if (m_transferRunning) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
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
