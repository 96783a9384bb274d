// The checks a request layout table must pass before a handler or drvctl uses it, on broken
// tables and on module 119's.
#include <gtest/gtest.h>

#include <vector>

#include "drivers/request_layout/request_layout.h"
#include "drivers/swdrv/dev_swdrv_subcmd.h"

namespace {

namespace cmd = swdrv::subcmd;
using reqlayout::Row;

TEST(RequestLayout, MalformedTablesAreRejected) {
    using reqlayout::bytes;
    using reqlayout::word;
    const struct {
        const char* what;
        std::vector<Row> rows;
        bool ok;
    } cases[] = {
        {"ascending, fields in order",
         {{1, "a", {word(4, "x"), bytes(8, 6, "mac")}, 4, {word(4, "y")}}, {2, "b"}},
         true},
        {"numbers not ascending", {{2, "a"}, {1, "b"}}, false},
        {"a number twice", {{2, "a"}, {2, "b"}}, false},
        {"over the sub-command word", {{1, "a", {word(0, "x")}}}, false},
        {"overlapping fields", {{1, "a", {word(4, "x"), word(6, "y")}}}, false},
        {"fields out of order", {{1, "a", {word(8, "x"), word(4, "y")}}}, false},
        {"returned fields past the reply size",
         {{1, "a", {}, 4, {word(4, "x"), word(8, "y")}}},
         false},
        {"empty byte field", {{1, "a", {bytes(4, 0, "x")}}}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(reqlayout::well_formed(c.rows), c.ok) << c.what;
    EXPECT_TRUE(reqlayout::well_formed(cmd::kRows));
}

}  // namespace
