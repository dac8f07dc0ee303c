// The handler families add operations, never state: a handler object is its
// vtable pointer, its code and the two pointers the provider hands it. The
// handler table and the workers' routes agree.
#include <cxxabi.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <type_traits>
#include <typeinfo>

#include "api/handlers/ApiServiceFunc.h"
#include "api/handlers/ApiServiceFuncReports.h"
#include "api/handlers/KApiPublishServiceFuncBase.h"
#include "api/handlers/KApiQueryRspServiceFunc.h"
#include "api/handlers/KApiRawReportServiceFunc.h"
#include "api/handlers/KApiReportServiceFunc.h"
#include "api/handlers/KApiRequestRspServiceFunc.h"
#include "api/handlers/KApiResultList.h"
#include "api/messages/ServiceCode.h"
#include "api/provider/ApiSessionGuard.h"
#include "api/provider/KApi.h"
#include "api/provider/KApiFramework.h"

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

// The family of a handler: the class its ApiServiceFunc<N> derives from
// (directly and singly, for every handler), read from its run-time type.
std::string family_of(const nq::ServiceFunc& handler) {
    const auto* type = dynamic_cast<const abi::__si_class_type_info*>(&typeid(handler));
    if (type == nullptr) return "(not singly derived)";
    int status = -1;
    char* name = abi::__cxa_demangle(type->__base_type->name(), nullptr, nullptr, &status);
    const std::string family = status == 0 ? std::string(name) : std::string("(unnamed)");
    std::free(name);
    return family.substr(0, family.find('<'));
}

// The worker a handler needs. Pushed trade messages go to worker 1, one at a
// time in arrival order (their duplicate filters have a single user), and so
// does the notice of an invalid token, which changes the same trade state;
// answers go to worker 2, except the market-data API's, which go to worker 3
// so that they never wait behind trading answers.
unsigned long worker_needed(const std::string& family, uint32_t code) {
    if (family == "nq::api::KApiReportServiceFunc" || family == "nq::api::KApiRawReportServiceFunc" ||
        family == "nq::api::KApiPublishServiceFuncBase" || code == nq::TOKEN_INVALID_NOTICE)
        return 1;
    const uint32_t quote_answers[] = {nq::LEVEL1_QUOTE_RSP, nq::REBUILD_TICK_QUOTE_ERR_RSP, nq::REBUILD_TICK_QUOTE_RSP,
                                      nq::ALL_LEVEL1_QUOTE_QUERY_RSP};
    for (uint32_t q : quote_answers)
        if (code == q) return 3;
    if (family == "nq::api::KApiQueryRspServiceFunc" || family == "nq::api::KApiRequestRspServiceFunc" ||
        family == "nq::api::KApiServiceFuncBase")
        return 2;
    return 0;  // a family no worker serves
}

// The handler table and the routing table agree: every registered handler,
// from the moment the library is loaded, is routed to the worker its family
// needs; the only codes routed to a worker without a handler are the two
// answers the library never reads (dropped by the worker); nothing else
// reaches a worker. "msg_receiver" asks through a frame and gets the same.
TEST(HandlerTable, EveryHandlerIsRoutedToTheWorkerOfItsFamily) {
    const std::set<uint32_t> routed_without_handler = {nq::UNUSED_RSP, nq::DEAUTH_RSP};
    KApiFramework framework(nullptr);
    unsigned registered = 0;
    std::set<uint32_t> seen_without_handler;
    for (uint32_t code = 0; code <= nq::NO_SERVICE_CODE; ++code) {
        SCOPED_TRACE(code);
        const unsigned long worker = KApiFramework::route(code);
        nq::MessageHeader header{};
        nq::set_frame_code_length(&header, code, nq::kFrameHeaderSize);
        nq::Message message{&header, header.bytes + nq::kFrameHeaderSize, nullptr};
        EXPECT_EQ(framework.get_message_handler(&message), worker);

        nq::ServiceFunc* h = code < nq::ServiceFunc::kTableSize ? nq::ServiceFunc::service_func_[code] : nullptr;
        if (h == nullptr) {
            if (worker != 0) seen_without_handler.insert(code);
            continue;
        }
        ++registered;
        EXPECT_EQ(h->service_code_, code);
        auto* base = dynamic_cast<KApiServiceFuncBase*>(h);
        ASSERT_NE(base, nullptr);
        EXPECT_EQ(base->business_, nullptr);  // until the provider starts
        const std::string family = family_of(*h);
        SCOPED_TRACE(family);
        const unsigned long needed = worker_needed(family, code);
        EXPECT_NE(needed, 0u) << "a handler of an unknown family";
        EXPECT_EQ(worker, needed);
    }
    EXPECT_GT(registered, 0u) << "the handlers are in the table from load";
    EXPECT_EQ(seen_without_handler, routed_without_handler);
    for (uint32_t code : routed_without_handler) EXPECT_EQ(KApiFramework::route(code), 2u) << code;
}

TEST(HandlerTable, TheProviderHandsEveryHandlerTheBusinessStateAndFramework) {
    char dir[] = "/tmp/trv_handler_table.XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    setenv("TRV_FILE_PATH", dir, 1);
    nq::api::KApi* api = nq::api::KApi::create_singleton_or_get();
    ASSERT_NE(api, nullptr);
    unsigned handed = 0;
    for (uint32_t code = 0; code < nq::ServiceFunc::kTableSize; ++code) {
        if (nq::ServiceFunc::service_func_[code] == nullptr) continue;
        auto* h = dynamic_cast<KApiServiceFuncBase*>(nq::ServiceFunc::service_func_[code]);
        ASSERT_NE(h, nullptr) << code;
        EXPECT_EQ(h->business_, api->business_) << code;
        EXPECT_EQ(static_cast<void*>(h->framework_), static_cast<void*>(api->framework_)) << code;
        ++handed;
    }
    EXPECT_GT(handed, 0u);
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
