// The device selection dialog through its calling protocol, over the real
// main window.
#include "DeviceWindowTest.h"
#include "gui/devicelist/TCihazSecimForm.h"
#include "support/AccessibleControls.h"
#include "support/CutTexts.h"

#include <QHeaderView>

namespace nakilon {
namespace {

using testsupport::child;
using testsupport::clickIn;
using testsupport::ModalDriver;

const char* const kFive = "1\tA\t11\t1\t10.0.0.1\t1111\t5005\t1\t\t\t\t\t0\r\n"
                          "2\tB\t12\t1\t10.0.0.2\t77\t5006\t0\t\t\t\t\t0\r\n"
                          "3\tC\t13\t2\t\t\t4\t1\t\t\t\t\t0\r\n"
                          "4\tD\t14\t3\t\t\t\t1\t\t\t\t\t0\r\n"
                          "5\tE\t15\t1\t10.0.0.5\t\t5005\t1\t\t\t\t\t0\r\n";

class DeviceChoiceTest : public testsupport::DeviceWindowTest {
protected:
    std::optional<ConnectionValues> choose(const char* caption) {
        return chooseDevice(*m_form->cihazSecimForm(), QString::fromUtf8(caption));
    }
    // Picks a row in the dialog's grid and presses one of its buttons.
    static std::function<void(QDialog*)> pickAndPress(int row, const char* button) {
        return [=](QDialog* dialog) {
            auto* grid = child<QTableView>(dialog, "CihazGrid");
            grid->setCurrentIndex(grid->model()->index(row, 1));
            clickIn(dialog, button);
        };
    }
};

TEST_F(DeviceChoiceTest, IptalLeavesTheChosenDeviceCurrentOnTheMainWindow) {
    startWith(kFive);
    ModalDriver look([&](QDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Cihaz Seçimi");
        EXPECT_EQ(dialog->size(), QSize(281, 364));
        auto* grid = child<QTableView>(dialog, "CihazGrid");
        QStringList visible;
        for (int column = 0; column < grid->model()->columnCount(); ++column)
            if (!grid->isColumnHidden(column))
                visible << grid->model()->headerData(column, Qt::Horizontal).toString();
        EXPECT_EQ(visible, QStringList({"Cz.No", "Cihaz Adı"}));
        EXPECT_FALSE(grid->verticalHeader()->isHidden()); // the row indicator
        // Neither Escape nor Enter answers the dialog, wherever the focus is.
        for (const char* focus : {"CihazGrid", "GonderButon", "cxButton1"}) {
            QWidget* target = child<QWidget>(dialog, focus);
            target->setFocus();
            for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter})
                QTest::keyClick(target, key);
            EXPECT_TRUE(dialog->isVisible()) << focus;
        }
        EXPECT_EQ(testsupport::unnamedControls(dialog), QStringList());
        EXPECT_EQ(testsupport::announcedNames(grid), QStringList("Cihaz listesi"));
        EXPECT_EQ(testsupport::cutTexts(dialog), QStringList());
        pickAndPress(2, "cxButton1")(dialog);
    });
    EXPECT_EQ(choose("Cihazdan Al"), std::nullopt);
    EXPECT_TRUE(look.ran());
    EXPECT_EQ(m_data.CihazTable.currentRow(), 2);
    EXPECT_EQ(grid("CihazGrid")->currentIndex().row(), 2);
    EXPECT_EQ(grid("CihazAktarimGrid")->currentIndex().row(), 2);
}

TEST_F(DeviceChoiceTest, TheConfirmButtonGivesTheChosenDeviceAndItsCaptionFollowsTheCaller) {
    startWith(kFive);
    QStringList captions;
    const auto remember = [&](const std::function<void(QDialog*)>& then) {
        return [&captions, then](QDialog* dialog) {
            captions << child<QPushButton>(dialog, "GonderButon")->text();
            then(dialog);
        };
    };
    ModalDriver send(remember(pickAndPress(1, "GonderButon"))); // an unmarked device
    const std::optional<ConnectionValues> chosen = choose("Cihazdan Al");
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->connectionType, 1);
    EXPECT_EQ(chosen->machineNumber, 12);
    EXPECT_EQ(chosen->ipAddress, "10.0.0.2");
    EXPECT_EQ(chosen->port, 5006);
    EXPECT_EQ(chosen->password, "77");

    ModalDriver close(remember([](QDialog* dialog) { dialog->close(); })); // the title bar
    EXPECT_EQ(choose("Cihaza Gönder"), std::nullopt);
    EXPECT_EQ(captions, QStringList({"Cihazdan Al", "Cihaza Gönder"}));
}

TEST_F(DeviceChoiceTest, AnEmptyListConfirmsWithValuesThatReachNoTerminal) {
    startWith(nullptr);
    ModalDriver send([](QDialog* dialog) { clickIn(dialog, "GonderButon"); });
    const std::optional<ConnectionValues> chosen = choose("Cihazdan Al");
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->connectionType, 0);
}

} // namespace
} // namespace nakilon
