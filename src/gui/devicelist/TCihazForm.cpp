#include "gui/devicelist/TCihazForm.h"

#include "core/devicelist/DeviceEditing.h"
#include "core/tables/FieldNames.h"
#include "gui/devicelist/DeviceChoices.h"
#include "gui/models/FieldEditorLink.h"
#include "gui/widgets/Command.h"
#include "gui/widgets/FixedSize.h"
#include "ui_TCihazForm.h"

#include <QScreen>
#include <QShowEvent>

#include <algorithm>

namespace nakilon {

TCihazForm::TCihazForm(RecordTable& devices, std::string deviceFile, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TCihazForm>()), m_devices(devices),
      m_deviceFile(std::move(deviceFile)) {
    m_ui->setupUi(this);
    auto* link = new FieldEditorLink(devices, this);
    link->bindNumber(m_ui->CihazNoEdit, field::CihazNo);
    link->bindText(m_ui->CihazAdiEdit, field::CihazAdi);
    link->bindNumber(m_ui->MakineNoEdit, field::MakineNo);
    link->bindChoice(m_ui->BaglantiTipiCombo, field::BaglantiTipi, connectionTypeChoices());
    link->bindText(m_ui->IPAdresEdit, field::IPAdres);
    link->bindNumber(m_ui->PortEdit, field::Port);
    link->bindText(m_ui->ParolaEdit, field::Parola);
    link->bindChoice(m_ui->GCTipCombo, field::GCTip, entryExitChoices());
    link->showRecord();

    // Enter in an editor stores, like the button that has the focus at first.
    m_ui->cxButton2->setDefault(true);
    m_ui->cxButton2->setFocus();
    connect(m_ui->cxButton2, &QPushButton::clicked, this, &TCihazForm::cxButton2Click);
    connect(m_ui->cxButton1, &QPushButton::clicked, this, &TCihazForm::reject);
    // Once the drop-downs hold their choices, which set their widths.
    setFixedSizeThatFits(this, QSize(295, 308));
}

TCihazForm::~TCihazForm() = default;

// "Kaydet ve Kapat". A failed save keeps the dialog open with the record
// posted in memory; pressing it again retries the save.
void TCihazForm::cxButton2Click() {
    if (runCommand(this, [this] { storeDevice(m_devices, m_deviceFile); }))
        accept();
}

// Centred on the main window itself, not on a guess of its frame, and kept on
// its screen.
void TCihazForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous() || !parentWidget())
        return;
    const QWidget* mainWindow = parentWidget()->window();
    QRect frame = frameGeometry();
    frame.moveCenter(mainWindow->frameGeometry().center());
    if (const QScreen* screen = mainWindow->screen()) {
        const QRect area = screen->availableGeometry();
        frame.moveLeft(std::clamp(frame.left(), area.left(),
                                  std::max(area.left(), area.right() + 1 - frame.width())));
        frame.moveTop(std::clamp(frame.top(), area.top(),
                                 std::max(area.top(), area.bottom() + 1 - frame.height())));
    }
    move(frame.topLeft());
}

void TCihazForm::reject() {
    runCommand(this, [this] { dropDeviceChanges(m_devices); });
    QDialog::reject();
}

} // namespace nakilon
