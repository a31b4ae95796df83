// The personnel window and its fetch dialog, against emulated terminals on
// loopback.
#include "gui/personnel/TPersonelForm.h"

#include "core/personnel/EnrollmentFile.h"
#include "core/settings/ProgramValues.h"
#include "core/tables/FieldNames.h"
#include "core/tables/TDataModul.h"
#include "emulator/VirtualTerminal.h"
#include "emulator/net/EmulatorDeviceControl.h"
#include "gui/personnel/TPersonelSecimForm.h"
#include "support/LoopbackTerminal.h"
#include "support/MessageHookRecorder.h"
#include "support/TempFolder.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace nakilon {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testsupport::LoopbackTerminal;
using testsupport::MessageHookRecorder;
using testsupport::TempFolder;

const std::string kHeader = "PersonelNo\tKartNo\tYetki\tSifre\tIzinDurum\tSecim\r\n";

EnrollmentData enrollmentOf(int32_t user, int32_t slot) {
    EnrollmentData data{};
    for (size_t k = 0; k < data.size(); ++k)
        data[k] = user * 1000 + slot * 100 + static_cast<int32_t>(k);
    return data;
}

// A terminal on loopback whose journal the test reads.
struct ServedTerminal {
    explicit ServedTerminal(int32_t machine) : loopback(stateOf(machine)) {
        loopback.server().withTerminal([this](VirtualTerminal& t) {
            t.setJournal([this](const std::string& line) { lines.push_back(line); });
        });
    }
    static TerminalState stateOf(int32_t machine) {
        TerminalState state;
        state.machineNumber = machine;
        return state;
    }
    void addUser(int32_t user, int32_t slot, int32_t privilege, int32_t password) {
        loopback.server().withTerminal([&](VirtualTerminal& t) {
            UserEntry entry;
            entry.userNumber = user;
            entry.slot = slot;
            entry.privilege = privilege;
            entry.password = password;
            t.state().users.push_back(entry);
            Enrollment e;
            e.userNumber = user;
            e.slot = slot;
            e.data = enrollmentOf(user, slot);
            t.state().enrollments.push_back(e);
        });
    }
    TerminalState held() { return loopback.held(); }
    // The operations received since the last call, once every link has gone.
    std::vector<std::string> takeJournal() {
        loopback.held();
        std::vector<std::string> taken;
        loopback.server().withTerminal([&](VirtualTerminal&) { taken.swap(lines); });
        return taken;
    }
    ConnectionValues connection() { return loopback.connection(); }

    LoopbackTerminal loopback;
    std::vector<std::string> lines;
};

class PersonnelWindowTest : public ::testing::Test {
protected:
    PersonnelWindowTest() {
        m_folder.write("Data\\Personel.PDT", kHeader);
        m_values.programFolder = m_folder.path();
        personel().open();
    }

    RecordTable& personel() { return m_data.PersonelTable; }
    void addRow(int32_t number, int32_t yetki, int32_t izin, std::optional<int32_t> secim) {
        personel().append();
        personel().setInteger(field::PersonelNo, number);
        personel().setInteger(field::Yetki, yetki);
        personel().setInteger(field::IzinDurum, izin);
        if (secim)
            personel().setInteger(field::Secim, *secim);
        personel().post();
    }
    TPersonelForm& form() {
        if (!m_form) {
            m_form = std::make_unique<TPersonelForm>(m_data, m_values, *m_cc);
            m_form->show();
        }
        return *m_form;
    }
    template <class T> T* find(QObject* parent, const char* name) const {
        T* child = parent->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QAbstractItemModel* model() { return form().grid()->model(); }
    QString cell(int row, int column) { return model()->index(row, column).data().toString(); }
    std::vector<int32_t> marks() {
        std::vector<int32_t> result;
        for (int row = 0; row < personel().rowCount(); ++row)
            result.push_back(personel().integerAt(row, personel().fieldIndex(field::Secim)));
        return result;
    }
    // The device selection answers with `device` (nothing: cancelled) and
    // keeps the captions it was asked with.
    void chooseDevice(std::optional<ConnectionValues> device) {
        form().setDeviceChooser([this, device](const QString& caption) {
            m_captions.push_back(caption);
            return device;
        });
    }

    TempFolder m_folder;
    MessageHookRecorder m_boxes;
    TDataModul m_data;
    ProgramValues m_values;
    std::unique_ptr<DeviceControl> m_cc = makeEmulatorDeviceControl();
    std::unique_ptr<TPersonelForm> m_form;
    std::vector<QString> m_captions;
};

TEST_F(PersonnelWindowTest, GridShowsThePersonnelListWithItsTexts) {
    addRow(25, 1, 1, 1);
    addRow(26, 3, 0, std::nullopt);
    EXPECT_EQ(form().windowTitle(), "Personel Kayıtları");
    std::vector<QString> headers;
    for (int column = 0; column < model()->columnCount(); ++column)
        if (!form().grid()->isColumnHidden(column))
            headers.push_back(model()->headerData(column, Qt::Horizontal).toString());
    EXPECT_THAT(headers,
                ElementsAre("Personel No", "Kart No", "Yetki", "Şifre", "İzin Durumu", "Seçim"));
    EXPECT_EQ(cell(0, 2), "Tam Yetkili Admin");
    EXPECT_EQ(cell(1, 2), "Admin");
    EXPECT_EQ(cell(0, 4), "İzinli");
    EXPECT_EQ(cell(1, 4), "İzinsiz");
    EXPECT_EQ(model()->index(0, 5).data(Qt::CheckStateRole), Qt::Checked);
    EXPECT_EQ(model()->index(1, 5).data(Qt::CheckStateRole), Qt::Unchecked);
    for (int column = 0; column < 6; ++column)
        EXPECT_TRUE(model()->flags(model()->index(0, column)) &
                    (column == 5 ? Qt::ItemIsUserCheckable : Qt::ItemIsEditable))
            << column;
    // Without a device selection the terminal commands cannot start.
    EXPECT_FALSE(find<QPushButton>(&form(), "AlButon")->isEnabled());
    EXPECT_FALSE(find<QPushButton>(&form(), "GonderButon")->isEnabled());
}

TEST_F(PersonnelWindowTest, MenuItemsSetEveryRowAndKeepTheCurrentRow) {
    addRow(1, 0, 0, 1);
    addRow(2, 0, 0, 0);
    addRow(3, 0, 0, std::nullopt);
    form().grid()->setCurrentIndex(model()->index(2, 0));
    ASSERT_EQ(personel().currentRow(), 2);

    find<QAction>(&form(), "DierleriniSe1")->trigger();
    EXPECT_THAT(marks(), ElementsAre(0, 1, 1));
    find<QAction>(&form(), "mnKaldr1")->trigger();
    EXPECT_THAT(marks(), ElementsAre(0, 0, 0));
    find<QAction>(&form(), "mnSe1")->trigger();
    EXPECT_THAT(marks(), ElementsAre(1, 1, 1));
    EXPECT_EQ(personel().currentRow(), 2);
    EXPECT_EQ(form().grid()->currentIndex().row(), 2);
    EXPECT_EQ(model()->index(1, 5).data(Qt::CheckStateRole), Qt::Checked);
    EXPECT_THAT(m_boxes.shown(), IsEmpty());
    // Memory only.
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"), kHeader);

    auto* menu = find<QMenu>(form().grid(), "SecimMenu");
    std::vector<QString> items;
    for (QAction* action : menu->actions())
        items.push_back(action->text());
    EXPECT_THAT(items, ElementsAre("Tümünü Seç", "Tümünü Kaldır", "Diğerlerini Seç"));
}

TEST_F(PersonnelWindowTest, SelectionBoxIsPostedAtOnceOtherCellsWaitForThePost) {
    addRow(1, 0, 0, 0);
    addRow(2, 0, 0, 0);
    form();
    ASSERT_TRUE(model()->setData(model()->index(1, 5), Qt::Checked, Qt::CheckStateRole));
    EXPECT_THAT(marks(), ElementsAre(0, 1));
    EXPECT_EQ(personel().state(), TableState::Browse);

    ASSERT_TRUE(model()->setData(model()->index(0, 3), QStringLiteral("4321"), Qt::EditRole));
    EXPECT_EQ(personel().state(), TableState::Edit);
    EXPECT_TRUE(find<QToolButton>(&form(), "navOnayla")->isEnabled());
    find<QToolButton>(&form(), "navIptal")->click();
    EXPECT_EQ(cell(0, 3), "");
    EXPECT_EQ(personel().state(), TableState::Browse);
    EXPECT_FALSE(find<QToolButton>(&form(), "navOnayla")->isEnabled());

    // A number that is none is refused in the error box.
    model()->setData(model()->index(0, 1), QStringLiteral("99999999999"), Qt::EditRole);
    EXPECT_THAT(m_boxes.errors(),
                ElementsAre("'99999999999' is not a valid integer value for field 'KartNo'"));
}

TEST_F(PersonnelWindowTest, YetkiIsChosenFromADropDown) {
    addRow(1, 0, 0, 0);
    QTableView* grid = form().grid();
    grid->setCurrentIndex(model()->index(0, 2));
    grid->edit(model()->index(0, 2));
    auto* box = grid->findChild<QComboBox*>();
    ASSERT_NE(box, nullptr);
    std::vector<QString> texts;
    for (int i = 0; i < box->count(); ++i)
        texts.push_back(box->itemText(i));
    EXPECT_THAT(texts, ElementsAre("Kullanıcı", "Tam Yetkili Admin", "Kayıtçı", "Admin"));
    EXPECT_EQ(box->currentText(), "Kullanıcı");
    box->setCurrentIndex(2);
    emit box->activated(2);
    EXPECT_EQ(personel().asInteger(field::Yetki), 2);
    EXPECT_EQ(cell(0, 2), "Kayıtçı");
}

TEST_F(PersonnelWindowTest, SaveButtonPostsTheEditAndWritesTheListSilently) {
    addRow(25, 1, 1, 1);
    form();
    model()->setData(model()->index(0, 3), QStringLiteral("77"), Qt::EditRole);
    ASSERT_EQ(personel().state(), TableState::Edit);
    find<QPushButton>(&form(), "KaydetButon")->click();
    EXPECT_EQ(personel().state(), TableState::Browse);
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"), kHeader + "25\t\t1\t77\t1\t1\r\n");
    EXPECT_THAT(m_boxes.shown(), IsEmpty());
}

TEST_F(PersonnelWindowTest, NavigatorInsertsAndDeletesAfterTheQuestion) {
    addRow(1, 0, 0, 0);
    addRow(2, 0, 0, 0);
    form().grid()->setCurrentIndex(model()->index(1, 0));
    find<QToolButton>(&form(), "navEkle")->click();
    EXPECT_EQ(personel().state(), TableState::Insert);
    EXPECT_EQ(personel().currentRow(), 1);
    model()->setData(model()->index(1, 0), QStringLiteral("9"), Qt::EditRole);
    find<QToolButton>(&form(), "navOnayla")->click();
    EXPECT_EQ(personel().rowCount(), 3);
    EXPECT_EQ(cell(1, 0), "9");

    m_boxes.answerNext(false);
    find<QToolButton>(&form(), "navSil")->click();
    EXPECT_EQ(personel().rowCount(), 3);
    m_boxes.answerNext(true);
    find<QToolButton>(&form(), "navSil")->click();
    EXPECT_EQ(personel().rowCount(), 2);
    EXPECT_EQ(cell(1, 0), "2");
    ASSERT_EQ(m_boxes.shown().size(), 2u);
    EXPECT_EQ(m_boxes.shown()[0].text, "Kayıt silinsin mi?");
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"), kHeader);
}

TEST_F(PersonnelWindowTest, FetchListsTheTerminalAndCopiesTheTickedRows) {
    ServedTerminal terminal(4);
    terminal.addUser(25, 0, 1, 4321);
    terminal.addUser(25, 5, 1, 4321);
    terminal.addUser(40, 1, 0, 0);
    chooseDevice(terminal.connection());

    std::vector<QString> listed;
    QTimer::singleShot(0, [&] {
        TPersonelSecimForm* dialog = form().secimForm();
        ASSERT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->windowTitle(), "Cihazdaki Personeller");
        QAbstractItemModel* buffer = dialog->grid()->model();
        for (int row = 0; row < buffer->rowCount(); ++row)
            listed.push_back(buffer->index(row, 0).data().toString() + " " +
                             buffer->index(row, 6).data(Qt::CheckStateRole).toString());
        buffer->setData(buffer->index(1, 6), Qt::Unchecked, Qt::CheckStateRole);
        find<QPushButton>(dialog, "GonderButon")->click();
    });
    find<QPushButton>(&form(), "AlButon")->click();

    EXPECT_THAT(m_captions, ElementsAre("Cihazdan Al"));
    EXPECT_THAT(listed, ElementsAre("25 2", "25 2", "40 2"));
    EXPECT_FALSE(form().secimForm()->isVisible());
    EXPECT_EQ(form().secimForm()->result(), QDialog::Accepted);
    EXPECT_EQ(readEnrollmentFile(m_folder.path(), 25, 0), enrollmentOf(25, 0));
    EXPECT_EQ(readEnrollmentFile(m_folder.path(), 25, 5), std::nullopt);
    EXPECT_EQ(readEnrollmentFile(m_folder.path(), 40, 1), enrollmentOf(40, 1));
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"),
              kHeader + "25\t0\t1\t4321\t1\t1\r\n40\t0\t0\t0\t1\t1\r\n");
    EXPECT_EQ(model()->rowCount(), 2);
    EXPECT_THAT(m_boxes.shown(), IsEmpty());
    EXPECT_EQ(terminal.takeJournal().back(), "CloseLink");
    EXPECT_TRUE(terminal.held().active);
}

TEST_F(PersonnelWindowTest, CancelledFetchCopiesNothingAndClosesTheLink) {
    ServedTerminal terminal(4);
    terminal.addUser(25, 0, 1, 4321);
    chooseDevice(terminal.connection());
    QTimer::singleShot(0, [&] { find<QPushButton>(form().secimForm(), "IptalButon")->click(); });
    find<QPushButton>(&form(), "AlButon")->click();
    EXPECT_EQ(form().secimForm()->result(), QDialog::Rejected);
    EXPECT_EQ(personel().rowCount(), 0);
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"), kHeader);
    EXPECT_EQ(readEnrollmentFile(m_folder.path(), 25, 0), std::nullopt);
    EXPECT_THAT(terminal.takeJournal(),
                ElementsAre(::testing::StartsWith("OpenNetworkLink 4 127.0.0.1"),
                            "SetDeviceActive 4 0", "FetchUserIndex 4", "SetDeviceActive 4 1",
                            "CloseLink"));
}

TEST_F(PersonnelWindowTest, SendUploadsTheTickedUsersToTheChosenTerminal) {
    ServedTerminal terminal(6);
    addRow(25, 3, 1, 1);
    addRow(26, 0, 1, 0);
    writeEnrollmentFile(m_folder.path(), 25, 2, enrollmentOf(25, 2));
    writeEnrollmentFile(m_folder.path(), 26, 0, enrollmentOf(26, 0));
    chooseDevice(terminal.connection());
    find<QPushButton>(&form(), "GonderButon")->click();
    EXPECT_THAT(m_captions, ElementsAre("Cihaza Gönder"));
    const TerminalState held = terminal.held();
    ASSERT_EQ(held.enrollments.size(), 1u);
    EXPECT_EQ(held.enrollments[0].userNumber, 25);
    EXPECT_EQ(held.enrollments[0].slot, 2);
    EXPECT_EQ(held.enrollments[0].data, enrollmentOf(25, 2));
    EXPECT_EQ(held.users[0].privilege, 3);
    EXPECT_THAT(m_boxes.shown(), IsEmpty());
    EXPECT_EQ(terminal.takeJournal().back(), "CloseLink");
    EXPECT_EQ(personel().currentRow(), 1);
    EXPECT_EQ(form().grid()->currentIndex().row(), 1);
}

TEST_F(PersonnelWindowTest, NoTerminalMeansTheMessageAndNothingElse) {
    ServedTerminal terminal(6);
    ConnectionValues wrongMachine = terminal.connection();
    wrongMachine.machineNumber = 7;
    chooseDevice(wrongMachine);
    find<QPushButton>(&form(), "AlButon")->click();
    find<QPushButton>(&form(), "GonderButon")->click();
    ASSERT_EQ(m_boxes.shown().size(), 2u);
    for (const ShownMessage& message : m_boxes.shown()) {
        EXPECT_EQ(message.kind, MessageKind::Information);
        EXPECT_EQ(message.text, "Cihaza Bağlantı Kurulamadı!");
    }
    EXPECT_FALSE(form().secimForm()->isVisible());

    // Cancelled in the device selection: no link is tried at all.
    terminal.takeJournal();
    chooseDevice(std::nullopt);
    find<QPushButton>(&form(), "AlButon")->click();
    find<QPushButton>(&form(), "GonderButon")->click();
    EXPECT_THAT(terminal.takeJournal(), IsEmpty());
    EXPECT_EQ(m_boxes.shown().size(), 2u);
}

} // namespace
} // namespace nakilon
