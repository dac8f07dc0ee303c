// The handler families add operations, never state: a handler object is its
// vtable pointer, its code and the two pointers the provider hands it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <type_traits>

#include "api/handlers/ApiServiceFunc.h"
#include "api/handlers/ApiSessionGuard.h"
#include "api/handlers/KApiPublishServiceFuncBase.h"
#include "api/handlers/KApiQueryRspServiceFunc.h"
#include "api/handlers/KApiRawReportServiceFunc.h"
#include "api/handlers/KApiReportServiceFunc.h"
#include "api/handlers/KApiRequestRspServiceFunc.h"
#include "api/handlers/KApiResultList.h"
#include "api/handlers/ApiServiceFuncReports.h"
#include "api/provider/KApi.h"

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

// The codes this library registers, by family.
enum Family { kReport, kRawReport, kPublish, kQueryAnswer, kRequestAnswer, kOther };
struct Registered {
    uint32_t code;
    Family family;
};
const Registered kRegistered[] = {
    {1042, kOther}, {1054, kOther},
    {1038, kQueryAnswer}, {1049, kQueryAnswer}, {1056, kQueryAnswer}, {1987, kQueryAnswer}, {1988, kQueryAnswer},
    {1989, kQueryAnswer}, {1990, kQueryAnswer}, {1991, kQueryAnswer}, {1992, kQueryAnswer}, {2058, kQueryAnswer},
    {2059, kQueryAnswer},
    {1040, kRequestAnswer}, {1051, kRequestAnswer}, {1859, kRequestAnswer}, {1860, kRequestAnswer},
    {1925, kRequestAnswer}, {2051, kRequestAnswer}, {2052, kRequestAnswer}, {2053, kRequestAnswer},
    {2054, kRequestAnswer}, {2055, kRequestAnswer}, {2056, kRequestAnswer}, {2057, kRequestAnswer},
    {1053, kRequestAnswer},
    {2307, kReport}, {2308, kReport}, {2309, kReport}, {2310, kReport}, {2311, kReport}, {2312, kReport},
    {2313, kReport}, {2339, kRawReport},
    {2371, kPublish}, {2372, kPublish}, {2373, kPublish}, {2403, kPublish}, {2404, kPublish}, {2435, kPublish},
    {2436, kPublish}, {2437, kPublish}, {2438, kPublish}, {2439, kPublish}, {2467, kPublish}, {2468, kPublish},
};

template <template <uint32_t> class F, uint32_t... C>
bool is_one_of(nq::ServiceFunc* h, std::integer_sequence<uint32_t, C...>) {
    return ((dynamic_cast<F<C>*>(h) != nullptr) || ...);
}

TEST(HandlerTable, EveryCodeHasItsHandlerOfItsFamilyFromLoad) {
    for (const Registered& r : kRegistered) {
        SCOPED_TRACE(r.code);
        nq::ServiceFunc* h = nq::ServiceFunc::service_func_[r.code];
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(h->service_code_, r.code);
        auto* base = dynamic_cast<KApiServiceFuncBase*>(h);
        ASSERT_NE(base, nullptr);
        EXPECT_EQ(base->business_, nullptr);  // until the provider starts
        switch (r.family) {
            case kReport:
                EXPECT_TRUE(is_one_of<KApiReportServiceFunc>(
                    h, std::integer_sequence<uint32_t, 2307, 2308, 2309, 2310, 2311, 2312, 2313>()));
                break;
            case kRawReport:
                EXPECT_NE(dynamic_cast<KApiRawReportServiceFunc<2339>*>(h), nullptr);
                break;
            case kPublish:
                EXPECT_TRUE(is_one_of<KApiPublishServiceFuncBase>(
                    h, std::integer_sequence<uint32_t, 2371, 2372, 2373, 2403, 2404, 2435, 2436, 2437, 2438, 2439,
                                             2467, 2468>()));
                break;
            case kQueryAnswer:
                EXPECT_TRUE(is_one_of<KApiQueryRspServiceFunc>(
                    h, std::integer_sequence<uint32_t, 1038, 1049, 1056, 1987, 1988, 1989, 1990, 1991, 1992, 2058,
                                             2059>()));
                break;
            case kRequestAnswer:
                EXPECT_TRUE(is_one_of<KApiRequestRspServiceFunc>(
                    h, std::integer_sequence<uint32_t, 1040, 1051, 1053, 1859, 1860, 1925, 2051, 2052, 2053, 2054,
                                             2055, 2056, 2057>()));
                break;
            case kOther:
                break;
        }
    }
    // Codes the counter may send that have no handler.
    for (uint32_t code : {1028u, 1044u, 1924u, 2314u, 2340u})
        EXPECT_EQ(nq::ServiceFunc::service_func_[code], nullptr) << code;
}

TEST(HandlerTable, TheProviderHandsEveryHandlerTheBusinessStateAndFramework) {
    char dir[] = "/tmp/trv_handler_table.XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    setenv("TRV_FILE_PATH", dir, 1);
    nq::api::KApi* api = nq::api::KApi::create_singleton_or_get();
    ASSERT_NE(api, nullptr);
    for (const Registered& r : kRegistered) {
        auto* h = dynamic_cast<KApiServiceFuncBase*>(nq::ServiceFunc::service_func_[r.code]);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(h->business_, api->business_) << r.code;
        EXPECT_EQ(static_cast<void*>(h->framework_), static_cast<void*>(api->framework_)) << r.code;
    }
}

// A worker may still be inside a handler while the process exits: the
// handlers are never destroyed, so it never calls into a destroyed object.
TEST(HandlerTable, HandlersOutliveTheExitOfTheProcess) {
    static_assert(std::is_trivially_destructible<StaticServiceFunc<ApiServiceFunc<2308>>>::value,
                  "no destructor runs at exit");
    for (int round = 0; round < 5; ++round) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            static std::atomic<bool> running{false};
            std::thread([] {
                unsigned char frame[64 + 115] = {};
                nq::set_frame_code_length(frame, 2308, sizeof frame);
                nq::Message m{reinterpret_cast<nq::MessageHeader*>(frame), frame + 64, frame};
                for (;;) {
                    nq::ServiceFunc::service_func_[2308]->service_func(&m);
                    running.store(true);
                }
            }).detach();
            while (!running.load()) {
            }
            std::exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
}

}  // namespace
