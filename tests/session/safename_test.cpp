#include "client/session/safename.h"

#include "tests/datafile/helpers.h"

#include <gtest/gtest.h>

TEST(SafeName, KeepsOrdinaryNamesAndDefusesTheRest)
{
    check({ { "Saga", "Saga" }, { "First Night", "First Night" }, { "a.b", "a.b" }, { "x..", "x.." },
              { "", "_" }, { ".", "_." }, { "..", "_.." }, { ".hidden", "_.hidden" },
              { "../../x", "_.._.._x" }, { "a/../../b", "a_.._.._b" }, { "/etc/passwd", "_etc_passwd" },
              { "a\\..\\b", "a_.._b" }, { "_", "_" } },
        safe_name);
}
