#include "gui/widgets/WholeNumberEdit.h"

#include <QTest>

#include <gtest/gtest.h>

namespace nakilon {
namespace {

TEST(WholeNumberEdit, TakesEvery32BitNumberAndNothingElse) {
    struct Case {
        const char* typed;
        const char* shown;
        std::optional<int32_t> value; // also the last one announced
    };
    const Case cases[] = {
        {"-2147483648", "-2147483648", INT32_MIN},
        {"21474836470", "2147483647", INT32_MAX}, // the digit past the range is refused
        {"+5", "+5", 5},
        {"1a2 3", "123", 123},
        {"-", "-", std::nullopt}, // a lone sign stands for nothing yet
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.typed);
        WholeNumberEdit edit;
        std::optional<int32_t> announced;
        QObject::connect(&edit, &WholeNumberEdit::valueEdited,
                         [&](std::optional<int32_t> value) { announced = value; });
        QTest::keyClicks(&edit, test.typed);
        EXPECT_EQ(edit.text(), test.shown);
        EXPECT_EQ(edit.value(), test.value);
        EXPECT_EQ(announced, test.value);
    }
}

} // namespace
} // namespace nakilon
