#include "gui/mainwindow/TAnaForm.h"

#include "core/device/DeviceRow.h"
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
#include "gui/mainwindow/WindowTransferRows.h"
#include "gui/personnel/TPersonelForm.h"
#include "gui/widgets/Command.h"
#include "gui/widgets/DeviceWorker.h"
#include "gui/widgets/MessageBox.h"
#include "gui/widgets/WindowOperator.h"
#include "ui_TAnaForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif
#include <QShowEvent>

#include <utility>

namespace nakilon {

namespace {

std::optional<int32_t> dayNumberOf(const std::optional<QDate>& date) {
    if (!date)
        return std::nullopt;
    return dayNumber(date->year(), date->month(), date->day());
}

} // namespace

TAnaForm::TAnaForm(TDataModul& dataModul, ProgramValues& values, DeviceWorker& worker,
                   DeviceControl& cc, DeviceControl& personelCc, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TAnaForm>()), m_data(dataModul), m_values(values),
      m_worker(worker), m_cc(cc) {
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
    connect(m_transferTab, &TransferTab::transferRequested, this, &TAnaForm::AktarButonClick);
    connect(m_deviceTab, &DeviceTab::connectionTestRequested, this, &TAnaForm::TestButonClick);
    connect(m_deviceTab, &DeviceTab::privilegeRemovalRequested, this,
            &TAnaForm::YetkiliSilButonClick);
    connect(m_deviceTab, &DeviceTab::recordDeletionRequested, this, &TAnaForm::YedekSilButonClick);
    connect(m_deviceTab, &DeviceTab::clockSettingRequested, this, &TAnaForm::ZamanAyarButonClick);
    connect(m_settingsTab, &SettingsTab::personnelListRequested, this,
            &TAnaForm::PersonelButonClick);
    // The dialogs are made once, hidden, and live as long as the window.
    m_zamanAyarForm = new TZamanAyarForm(
        worker, cc, [this] { return m_clockMachine; }, [this] { return m_clock(); }, this);
    m_personelForm = new TPersonelForm(dataModul, values, worker, personelCc, this);
    // The personnel window chooses its terminal in the one selection dialog,
    // which the main window owns.
    m_personelForm->setDeviceChooser(
        [this](const QString& caption) { return chooseDevice(*m_cihazSecimForm, caption); });
#if QT_CONFIG(sessionmanager)
    // Logging off asks as closing does; the session waits for the answer and
    // is cancelled while the terminal in hand is finished and saved.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& session) {
        if (!m_worker.busy())
            return;
        if (session.allowsInteraction()) {
            askToStop();
            session.release();
        }
        session.cancel();
    });
#endif
}

TAnaForm::~TAnaForm() = default;

bool TAnaForm::create(const std::string& programFolder) {
    return runCommand(this, [&] { runCreationStep(programFolder, m_data, m_values, *this); });
}

void TAnaForm::AktarButonClick() {
    if (m_worker.busy())
        return;
    // The run takes what it works on before it starts: the rows, the
    // options, the program's values. The window goes on showing them, and
    // only the window's thread writes the table.
    TransferOptions options;
    options.backupMode = m_settingsTab->backupMode();
    options.fromDay = dayNumberOf(m_settingsTab->fromDate());
    options.toDay = dayNumberOf(m_settingsTab->toDate());
    options.stopRequested = [&worker = m_worker] { return worker.stopRequested(); };
    const DateTime now = m_clock();
    const std::vector<TransferDevice> devices = transferDevicesOf(m_data.CihazTable);
    ProgramValues values = m_values;
    // The rows and the operator live on the window's thread, past the last
    // row change that the run queued. The grid repaints a changed row
    // through its event loop, which turns now: no repaint is forced.
    WindowOperator op(this);
    TableTransferRows tableRows(m_data.CihazTable, op);
    WindowTransferRows rows(this, tableRows);
    m_transferRunning = true;
    runOnWorker([&] {
        nakilon::runTransfer(devices, rows, m_cc, values, options, {now.year, now.month, now.day},
                             op);
    });
    m_transferRunning = false;
    m_values.backupFileName = values.backupFileName;
}

void TAnaForm::TestButonClick() {
    const ConnectionValues device = currentConnectionValues(m_data.CihazTable);
    WindowOperator op(this);
    runOnWorker([&] { testConnection(device, m_cc, op); });
}

void TAnaForm::YetkiliSilButonClick() {
    const ConnectionValues device = currentConnectionValues(m_data.CihazTable);
    WindowOperator op(this);
    runOnWorker([&] { removeAllPrivileges(device, m_cc, op); });
}

void TAnaForm::YedekSilButonClick() {
    const ConnectionValues device = currentConnectionValues(m_data.CihazTable);
    WindowOperator op(this);
    runOnWorker([&] { purgeDeviceRecords(device, m_cc, op); });
}

void TAnaForm::ZamanAyarButonClick() {
    const ConnectionValues device = currentConnectionValues(m_data.CihazTable);
    WindowOperator op(this);
    std::optional<int32_t> machineNumber;
    // A window that is closing opens no dialog.
    if (!runOnWorker([&] { machineNumber = connectForClock(device, m_cc, op); }) ||
        m_closeWhenDone || !machineNumber)
        return;
    // The link stays open after the dialog, until the next command on m_cc.
    m_clockMachine = *machineNumber;
    m_zamanAyarForm->exec();
}

bool TAnaForm::runOnWorker(const std::function<void()>& work) {
    if (m_worker.busy())
        return false;
    // Disabling the commands takes the keyboard focus from the button; it
    // goes back there when the command ends.
    const QPointer<QWidget> focus = focusWidget();
    setCommandsEnabled(false);
    const bool done = runCommand(this, [&] { m_worker.run(work); });
    setCommandsEnabled(true);
    if (focus)
        focus->setFocus(Qt::OtherFocusReason);
    if (m_closeWhenDone)
        close();
    return done;
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

// "Kapat" stays: it asks whether to stop.
void TAnaForm::setCommandsEnabled(bool enabled) {
    m_transferTab->setTransferEnabled(enabled);
    m_deviceTab->setEnabled(enabled);
    m_settingsTab->setEnabled(enabled);
}

void TAnaForm::closeEvent(QCloseEvent* event) {
    // A command in progress holds what a terminal has handed out and no file
    // has yet: the window closes once the terminal in hand is done.
    if (m_worker.busy()) {
        event->ignore();
        askToStop();
        return;
    }
    QWidget::closeEvent(event);
}

bool TAnaForm::askToStop() {
    if (!m_closeWhenDone && confirmWarning(this, QString::fromUtf8(CloseQuestionText))) {
        m_closeWhenDone = true;
        m_worker.requestStop();
    }
    return m_closeWhenDone;
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
