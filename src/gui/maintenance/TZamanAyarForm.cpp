#include "gui/maintenance/TZamanAyarForm.h"

#include "core/maintenance/ClockTexts.h"
#include "gui/widgets/Command.h"
#include "gui/widgets/DeviceWorker.h"
#include "gui/widgets/FixedSize.h"
#include "ui_TZamanAyarForm.h"

#include <QFontMetrics>
#include <QLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include <algorithm>

namespace nakilon {

TZamanAyarForm::TZamanAyarForm(DeviceWorker& worker, DeviceControl& cc, CihazMakineNo cihazMakineNo,
                               LocalClock clock, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TZamanAyarForm>()), m_timer(new QTimer(this)),
      m_worker(worker), m_cihazMakineNo(std::move(cihazMakineNo)), m_operator(this),
      m_setting(cc, std::move(clock), *this, m_operator) {
    m_ui->setupUi(this);
    // The computer's clock text is as wide as its longest day name makes it:
    // a week of days shows every name.
    const QFontMetrics metrics(m_ui->SaatLabel->font());
    int widest = 0;
    for (int32_t day = 24; day <= 30; ++day)
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(
                                      computerClockText({{2000, 12, day}, 23, 59, 59}))));
    m_ui->SaatLabel->setMinimumWidth(widest);
    // The green panel and the dialog have fixed sizes; where the system's
    // fonts are larger than their texts were made for, they grow rather than
    // cut them.
    m_ui->Panel1->setFixedHeight(std::max(89, m_ui->Panel1->layout()->totalMinimumSize().height()));
    setFixedSizeThatFits(this, QSize(415, 185));
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(500);
    connect(m_timer, &QTimer::timeout, this, &TZamanAyarForm::Timer1Timer);
    connect(m_ui->cxButton2, &QPushButton::clicked, this, &TZamanAyarForm::cxButton2Click);
    connect(m_ui->KapatButon, &QPushButton::clicked, this, &TZamanAyarForm::KapatButonClick);
    // The timer is created running: until the dialog is first closed it keeps
    // the computer's clock current even while hidden.
    m_timer->start();
}

TZamanAyarForm::~TZamanAyarForm() = default;

void TZamanAyarForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TZamanAyarForm::done(int result) {
    if (m_worker.busy())
        return;
    FormClose();
    QDialog::done(result);
}

void TZamanAyarForm::FormShow() {
    m_timer->start();
    m_machine = m_cihazMakineNo();
    const int32_t machine = m_machine;
    runCommand(this, [&] { m_worker.run([&] { m_setting.readDeviceClock(machine); }); });
}

void TZamanAyarForm::Timer1Timer() {
    runCommand(this, [&] { m_setting.showComputerClock(); });
}

void TZamanAyarForm::cxButton2Click() {
    const int32_t machine = m_machine;
    runCommand(this, [&] { m_worker.run([&] { m_setting.syncDeviceClock(machine); }); });
}

void TZamanAyarForm::KapatButonClick() {
    if (m_worker.busy())
        return;
    m_timer->stop();
    reject();
}

void TZamanAyarForm::FormClose() {
    m_timer->stop();
}

// The texts come from the device worker too; the window's thread shows them.
void TZamanAyarForm::showDeviceClock(const std::string& text) {
    callOnThreadOf(this, [&] { m_ui->TarihSaatEdit->setText(QString::fromStdString(text)); });
}

void TZamanAyarForm::showComputerClock(const std::string& text) {
    callOnThreadOf(this, [&] { m_ui->SaatLabel->setText(QString::fromStdString(text)); });
}

} // namespace nakilon
