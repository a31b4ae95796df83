#include "core/tables/TableFileFormat.h"

#include <gtest/gtest.h>

#include <string>

namespace nakilon {
namespace {

using Parts = std::vector<std::string>;

Parts lines(std::string_view text) {
    Parts result;
    for (std::string_view line : splitTableLines(text))
        result.emplace_back(line);
    return result;
}

Parts values(std::string_view line) {
    std::vector<std::string_view> split;
    splitTableValues(line, split);
    return Parts(split.begin(), split.end());
}

TEST(TableFileFormatTest, LinesEndAtCrLfCrOrLf) {
    EXPECT_EQ(lines("a\r\nb\r\n"), (Parts{"a", "b"}));
    EXPECT_EQ(lines("a\rb\r"), (Parts{"a", "b"}));
    EXPECT_EQ(lines("a\nb\n"), (Parts{"a", "b"}));
    EXPECT_EQ(lines("a\n\rb"), (Parts{"a", "", "b"})); // LF CR is two line ends
    EXPECT_EQ(lines("a\r\n\r\nb"), (Parts{"a", "", "b"}));
    EXPECT_EQ(lines("a\r\r\n"), (Parts{"a", ""}));
}

TEST(TableFileFormatTest, LastLineAndEmptyText) {
    EXPECT_EQ(lines(""), Parts{});
    EXPECT_EQ(lines("a"), (Parts{"a"}));
    EXPECT_EQ(lines("\r\n"), (Parts{""}));
    EXPECT_EQ(lines("a\r\nb"), (Parts{"a", "b"}));
}

TEST(TableFileFormatTest, NulEndsTheText) {
    EXPECT_EQ(lines(std::string_view("a\r\nb\0c\r\nd\r\n", 11)), (Parts{"a", "b"}));
    EXPECT_EQ(lines(std::string_view("\0a\r\n", 4)), Parts{});
}

TEST(TableFileFormatTest, ValuesSplitAtTabs) {
    EXPECT_EQ(values("7\tKap\xFD B"), (Parts{"7", "Kap\xFD B"}));
    EXPECT_EQ(values("a\t\tb"), (Parts{"a", "", "b"}));
    EXPECT_EQ(values("a\t"), (Parts{"a"})); // no empty value after a last TAB
    EXPECT_EQ(values("\t"), (Parts{""}));
    EXPECT_EQ(values("\t\t"), (Parts{"", ""}));
    EXPECT_EQ(values("\ta"), (Parts{"", "a"}));
    EXPECT_EQ(values(""), Parts{});
    EXPECT_EQ(values(" a \t b "), (Parts{" a ", " b "}));
}

} // namespace
} // namespace nakilon
