#pragma once

#include <gtest/gtest.h>

#include <string>

namespace nakilon::testsupport {

// Names each row of a TEST_P table by its `name` member, so that a failing row
// is named and can be run alone (--gtest_filter=*/Name).
struct RowName {
    template <class Row> std::string operator()(const ::testing::TestParamInfo<Row>& row) const {
        return row.param.name;
    }
};

} // namespace nakilon::testsupport
