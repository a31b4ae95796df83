#include "support/MainWindowFixture.h"

#include "support/DeviceListFile.h"

#include <QTest>

namespace nakilon::testsupport {

void MainWindowFixture::writeDeviceList(const std::string& lines) {
    m_folder.write("Cihazlar.Dat", kDeviceListHeader + lines);
}

bool MainWindowFixture::start() {
    m_form = std::make_unique<TAnaForm>(m_data, m_values, m_worker, *m_cc, m_personelDevice);
    m_form->setClock([this] { return m_now; });
    const bool created = m_form->create(m_folder.path());
    m_form->show();
    return created;
}

void MainWindowFixture::click(const char* buttonName) const {
    if (QPushButton* target = button(buttonName))
        QTest::mouseClick(target, Qt::LeftButton);
}

} // namespace nakilon::testsupport
