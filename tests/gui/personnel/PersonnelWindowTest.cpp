// The personnel window and its fetch dialog: their wiring to the table
// commands and to the fetch and the send (whose rules are tested headless in
// tests/core/personnel).
#include "gui/personnel/TPersonelForm.h"

#include "core/personnel/EnrollmentFile.h"
#include "core/settings/ProgramValues.h"
#include "core/tables/FieldNames.h"
#include "core/tables/TDataModul.h"
#include "gui/personnel/TPersonelSecimForm.h"
#include "gui/widgets/DeviceWorker.h"
#include "support/AccessibleControls.h"
#include "support/FakeDeviceControl.h"
#include "support/MessageHookRecorder.h"
#include "support/ModalDriver.h"
#include "support/TempFolder.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace nakilon {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kHeader = "PersonelNo\tKartNo\tYetki\tSifre\tIzinDurum\tSecim\r\n";
constexpr int32_t Machine = 4;

class PersonnelWindowTest : public ::testing::Test {
protected:
    PersonnelWindowTest() {
        m_folder.write("Data\\Personel.PDT", kHeader);
        m_values.programFolder = m_folder.path();
        m_data.PersonelTable.open();
        // PersonelNo 25 Yetki 1 İzinli ticked, 26 Admin İzinsiz not, 27 empty.
        m_data.PersonelTable.loadFromText(kHeader + "25\t\t1\t\t1\t1\r\n26\t\t3\t\t0\t0\r\n27\r\n");
        m_form.show();
    }
    template <class T> T* find(QObject* parent, const char* name) const {
        T* child = parent->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QAbstractItemModel* model() { return m_form.grid()->model(); }
    QString cell(int row, int column) { return model()->index(row, column).data().toString(); }
    std::vector<QString> column(int column) {
        std::vector<QString> values;
        for (int row = 0; row < model()->rowCount(); ++row)
            values.push_back(cell(row, column));
        return values;
    }
    // The device selection answers with the terminal, or with nothing.
    void chooseTerminal(bool chosen = true) {
        ConnectionValues values{ConnectionEthernet, Machine, "10.0.0.9", 5005, ""};
        m_form.setDeviceChooser([this, chosen, values](const QString& caption) {
            m_captions.push_back(caption);
            return chosen ? std::optional<ConnectionValues>(values) : std::nullopt;
        });
    }

    testsupport::TempFolder m_folder;
    testsupport::MessageHookRecorder m_boxes;
    testsupport::FakeDeviceControl m_device;
    TDataModul m_data;
    ProgramValues m_values;
    DeviceWorker m_worker;
    TPersonelForm m_form{m_data, m_values, m_worker, m_device};
    std::vector<QString> m_captions;
};

TEST_F(PersonnelWindowTest, GridShowsTheListWithItsTextsAndEditsEveryCell) {
    std::vector<QString> headers;
    for (int c = 0; c < model()->columnCount(); ++c)
        if (!m_form.grid()->isColumnHidden(c))
            headers.push_back(model()->headerData(c, Qt::Horizontal).toString());
    EXPECT_THAT(headers,
                ElementsAre("Personel No", "Kart No", "Yetki", "Şifre", "İzin Durumu", "Seçim"));
    EXPECT_THAT(column(2), ElementsAre("Tam Yetkili Admin", "Admin", ""));
    EXPECT_THAT(column(4), ElementsAre("İzinli", "İzinsiz", ""));
    EXPECT_EQ(model()->index(0, 5).data(Qt::CheckStateRole), Qt::Checked);
    EXPECT_EQ(model()->index(2, 5).data(Qt::CheckStateRole), Qt::Unchecked);
    // Without a device selection the terminal commands cannot start.
    EXPECT_FALSE(find<QPushButton>(&m_form, "AlButon")->isEnabled());

    // Yetki from its drop-down; the row waits in edit state for its post.
    m_form.grid()->edit(model()->index(2, 2));
    auto* box = m_form.grid()->findChild<QComboBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->count(), 4);
    EXPECT_EQ(box->itemText(2), "Kayıtçı");
    box->setCurrentIndex(2);
    emit box->activated(2);
    EXPECT_EQ(cell(2, 2), "Kayıtçı");
    EXPECT_EQ(m_data.PersonelTable.state(), TableState::Edit);
    find<QToolButton>(&m_form, "navIptal")->click();
    EXPECT_EQ(cell(2, 2), "");

    // The Seçim box is posted at once; a number that is none is refused.
    model()->setData(model()->index(2, 5), Qt::Checked, Qt::CheckStateRole);
    EXPECT_EQ(m_data.PersonelTable.state(), TableState::Browse);
    EXPECT_EQ(model()->index(2, 5).data(Qt::CheckStateRole), Qt::Checked);
    model()->setData(model()->index(0, 1), QStringLiteral("99999999999"), Qt::EditRole);
    EXPECT_THAT(m_boxes.errors(),
                ElementsAre("'99999999999' is not a valid integer value for field 'KartNo'"));
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"), kHeader);
}

TEST_F(PersonnelWindowTest, MenuItemsSetEveryRowAndKeepTheCurrentRow) {
    std::vector<QString> items;
    for (QAction* action : find<QMenu>(m_form.grid(), "SecimMenu")->actions())
        items.push_back(action->text());
    EXPECT_THAT(items, ElementsAre("Tümünü Seç", "Tümünü Kaldır", "Diğerlerini Seç"));
    m_form.grid()->setCurrentIndex(model()->index(1, 0));

    const auto marks = [this] {
        std::vector<Qt::CheckState> states;
        for (int row = 0; row < 3; ++row)
            states.push_back(
                model()->index(row, 5).data(Qt::CheckStateRole).value<Qt::CheckState>());
        return states;
    };
    find<QAction>(&m_form, "DierleriniSe1")->trigger();
    EXPECT_THAT(marks(), ElementsAre(Qt::Unchecked, Qt::Checked, Qt::Checked));
    find<QAction>(&m_form, "mnKaldr1")->trigger();
    EXPECT_THAT(marks(), ElementsAre(Qt::Unchecked, Qt::Unchecked, Qt::Unchecked));
    find<QAction>(&m_form, "mnSe1")->trigger();
    EXPECT_THAT(marks(), ElementsAre(Qt::Checked, Qt::Checked, Qt::Checked));
    EXPECT_EQ(m_data.PersonelTable.currentRow(), 1);
    EXPECT_EQ(m_form.grid()->currentIndex().row(), 1);
    EXPECT_THAT(m_boxes.shown(), IsEmpty());
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"), kHeader);
}

TEST_F(PersonnelWindowTest, NavigatorAndSaveButtonWorkOnTheList) {
    m_form.grid()->setCurrentIndex(model()->index(1, 0));
    find<QToolButton>(&m_form, "navEkle")->click();
    model()->setData(model()->index(1, 0), QStringLiteral("9"), Qt::EditRole);
    m_boxes.answerNext(false);
    find<QToolButton>(&m_form, "navSil")->click(); // after the question: No
    m_boxes.answerNext(true);
    m_form.grid()->setCurrentIndex(model()->index(2, 0));
    find<QToolButton>(&m_form, "navSil")->click(); // Yes: 26 goes
    EXPECT_THAT(column(0), ElementsAre("25", "9", "27"));
    EXPECT_EQ(m_boxes.shown().at(0).text, "Kayıt silinsin mi?");

    // The save posts a cell still being edited and writes the list silently.
    model()->setData(model()->index(0, 3), QStringLiteral("77"), Qt::EditRole);
    m_boxes.clear();
    find<QPushButton>(&m_form, "KaydetButon")->click();
    EXPECT_EQ(m_data.PersonelTable.state(), TableState::Browse);
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"),
              kHeader + "25\t\t1\t77\t1\t1\r\n9\t\t\t\t\t\r\n27\t\t\t\t\t\r\n");
    EXPECT_THAT(m_boxes.shown(), IsEmpty());
}

TEST_F(PersonnelWindowTest, FetchShowsTheTerminalsUsersAndCopiesTheTickedOnes) {
    auto& terminal = m_device.terminals[Machine];
    terminal.users = {{30, Machine, 0, 1, 1}, {30, Machine, 5, 1, 1}, {31, Machine, 2, 0, 0}};
    EnrollmentData data{};
    data.fill(8);
    terminal.enrollments = {
        {{30, 0}, {1, data, 4321}}, {{30, 5}, {1, data, 4321}}, {{31, 2}, {0, data, 0}}};
    chooseTerminal();
    std::vector<QString> listed;
    const auto ready = [this] { return !m_worker.busy(); };
    testsupport::ModalDriver driver(
        [&](QDialog*) {
            TPersonelSecimForm* dialog = m_form.secimForm();
            ASSERT_TRUE(dialog->isVisible());
            EXPECT_EQ(dialog->windowTitle(), "Cihazdaki Personeller");
            QAbstractItemModel* buffer = dialog->grid()->model();
            for (int row = 0; row < buffer->rowCount(); ++row)
                listed.push_back(buffer->index(row, 0).data().toString());
            buffer->setData(buffer->index(1, 6), Qt::Unchecked, Qt::CheckStateRole);
            find<QPushButton>(dialog, "GonderButon")->click();
        },
        ready);
    find<QPushButton>(&m_form, "AlButon")->click();

    EXPECT_THAT(m_captions, ElementsAre("Cihazdan Al"));
    EXPECT_THAT(listed, ElementsAre("30", "30", "31"));
    EXPECT_EQ(m_form.secimForm()->result(), QDialog::Accepted);
    EXPECT_EQ(readEnrollmentFile(m_folder.path(), 30, 0), data);
    EXPECT_EQ(readEnrollmentFile(m_folder.path(), 30, 5), std::nullopt);
    EXPECT_THAT(column(0), ElementsAre("25", "26", "27", "30", "31"));
    EXPECT_EQ(m_device.calls.back(), "CloseLink()");
    EXPECT_FALSE(m_device.linkOpen());

    // İptal copies nothing; the link is closed all the same.
    m_device.calls.clear();
    for (const bool byEscape : {false, true}) { // Escape is İptal
        testsupport::ModalDriver cancel(
            [&](QDialog*) {
                if (byEscape)
                    QTest::keyClick(m_form.secimForm()->grid(), Qt::Key_Escape);
                else
                    find<QPushButton>(m_form.secimForm(), "IptalButon")->click();
            },
            ready);
        find<QPushButton>(&m_form, "AlButon")->click();
        EXPECT_EQ(m_form.secimForm()->result(), QDialog::Rejected);
        EXPECT_THAT(m_device.calls, ::testing::Not(::testing::Contains(
                                        ::testing::StartsWith("DownloadEnrollment"))));
        EXPECT_EQ(m_device.calls.back(), "CloseLink()");
    }
    EXPECT_THAT(m_boxes.shown(), IsEmpty());
}

// The user list is read on the device worker: the dialog is open and
// answering meanwhile, but İptal waits until the terminal has answered, so
// that the link is closed after the work that uses it.
TEST_F(PersonnelWindowTest, TheFetchDialogClosesOnlyOnceTheTerminalHasAnswered) {
    m_device.terminals[Machine].users = {{30, Machine, 0, 1, 1}};
    chooseTerminal();
    bool visibleAfterCancel = false;
    bool onWindowThread = true;
    m_device.onCall = [&](const std::string& operation) {
        if (operation != "FetchUserIndex")
            return;
        onWindowThread = QThread::currentThread() == m_form.thread();
        // The window's thread cancels while this call is under way.
        QMetaObject::invokeMethod(
            &m_form,
            [&] {
                find<QPushButton>(m_form.secimForm(), "IptalButon")->click();
                visibleAfterCancel = m_form.secimForm()->isVisible();
            },
            Qt::BlockingQueuedConnection);
    };
    testsupport::ModalDriver cancel(
        [&](QDialog*) { find<QPushButton>(m_form.secimForm(), "IptalButon")->click(); },
        [this] { return !m_worker.busy(); });
    find<QPushButton>(&m_form, "AlButon")->click();
    EXPECT_FALSE(onWindowThread);
    EXPECT_TRUE(visibleAfterCancel);
    EXPECT_EQ(m_form.secimForm()->result(), QDialog::Rejected);
    EXPECT_EQ(m_data.PersonelTampon.rowCount(), 1);
    EXPECT_EQ(m_device.calls.back(), "CloseLink()");
}

TEST_F(PersonnelWindowTest, SendUploadsToTheChosenTerminalOnly) {
    writeEnrollmentFile(m_folder.path(), 25, 2, EnrollmentData{});
    writeEnrollmentFile(m_folder.path(), 26, 0, EnrollmentData{});
    m_device.terminals[Machine];
    chooseTerminal(false);
    find<QPushButton>(&m_form, "GonderButon")->click();
    EXPECT_THAT(m_device.calls, IsEmpty());

    chooseTerminal();
    find<QPushButton>(&m_form, "GonderButon")->click();
    EXPECT_THAT(m_captions, ElementsAre("Cihaza Gönder", "Cihaza Gönder"));
    EXPECT_THAT(m_device.calls,
                ElementsAre("OpenNetworkLink(4,10.0.0.9,5005,0)", "SetDeviceActive(4,0)",
                            "UploadEnrollment(4,25,4,2,1,[0,0,...],0)", "SetDeviceActive(4,1)",
                            "CloseLink()"));
    EXPECT_EQ(m_form.grid()->currentIndex().row(), 2);

    m_device.terminals[Machine].opens = false;
    m_device.calls.clear();
    find<QPushButton>(&m_form, "GonderButon")->click();
    EXPECT_THAT(m_device.calls, ElementsAre("OpenNetworkLink(4,10.0.0.9,5005,0)"));
    ASSERT_EQ(m_boxes.shown().size(), 1u);
    EXPECT_EQ(m_boxes.shown()[0].kind, MessageKind::Information);
    EXPECT_EQ(m_boxes.shown()[0].text, "Cihaza Bağlantı Kurulamadı!");
}

TEST_F(PersonnelWindowTest, ScreenReadersFindEveryControlAndEscapeClosesTheWindow) {
    EXPECT_EQ(testsupport::unnamedControls(&m_form), QStringList());
    EXPECT_EQ(testsupport::unnamedControls(m_form.findChild<TPersonelSecimForm*>()), QStringList());
    const QWidget* add = testsupport::controlNamed(&m_form, "Kayıt Ekle");
    EXPECT_EQ(add ? add->objectName() : QString(), "navEkle");
    m_form.grid()->setFocus();
    QTest::keyClick(m_form.grid(), Qt::Key_Escape);
    EXPECT_FALSE(m_form.isVisible());
}

} // namespace
} // namespace nakilon
