// The handler families add operations, never state: a handler object is its
// vtable pointer, its code and the two pointers the provider hands it.
#include <gtest/gtest.h>

#include "api/handlers/ApiServiceFunc.h"
#include "api/handlers/ApiSessionGuard.h"
#include "api/handlers/KApiPublishServiceFuncBase.h"
#include "api/handlers/KApiQueryRspServiceFunc.h"
#include "api/handlers/KApiRawReportServiceFunc.h"
#include "api/handlers/KApiReportServiceFunc.h"
#include "api/handlers/KApiRequestRspServiceFunc.h"
#include "api/handlers/KApiResultList.h"

namespace {

using namespace nq::api;

TEST(ServiceFuncFamilies, HandlersHoldNoStateOfTheirOwn) {
    const size_t base = sizeof(TApiServiceFunc<2ul>);
    EXPECT_EQ(sizeof(KApiServiceFuncBase), base);
    EXPECT_EQ(sizeof(KApiReportServiceFunc<2308>), base);
    EXPECT_EQ(sizeof(KApiRawReportServiceFunc<2339>), base);
    EXPECT_EQ(sizeof(KApiPublishServiceFuncBase<2403>), base);
    EXPECT_EQ(sizeof(KApiQueryRspServiceFunc<1988>), base);
    EXPECT_EQ(sizeof(KApiRequestRspServiceFunc<1051>), base);
}

// Rows are stepped by the counter's row size, and an index outside the page
// gives null instead of an address outside the message.
TEST(ResultLists, StepByTheCountersRowSizeAndStayInsideThePage) {
    unsigned char rows[3 * 50] = {};
    for (int i = 0; i < 3; ++i) rows[i * 50] = static_cast<unsigned char>(0xa0 + i);
    const KApiDataList list{rows, 3, 50};
    KApiInitPositionList positions(&list);
    ASSERT_EQ(positions.data_count(), 3u);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(reinterpret_cast<const unsigned char*>(positions.get(i)), rows + i * 50);
    }
    EXPECT_EQ(positions.get(3), nullptr);
    EXPECT_EQ(positions.get(-1), nullptr);
    KApiOrderList none(nullptr);
    EXPECT_EQ(none.data_count(), 0u);
    EXPECT_EQ(none.get(0), nullptr);
}

}  // namespace
