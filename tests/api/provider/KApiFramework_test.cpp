// Which handler worker each incoming service code goes to.
#include <gtest/gtest.h>

#include "api/provider/KApiFramework.h"
#include "framework/Message.h"

namespace {

using nq::api::KApiFramework;

TEST(KApiFrameworkRouting, CodesGoToTheirWorker) {
    struct Case {
        uint32_t code;
        unsigned long worker;
    };
    const Case cases[] = {
        // pushed messages
        {1034, 1}, {2307, 1}, {2310, 1}, {2313, 1}, {2339, 1}, {2371, 1}, {2373, 1}, {2403, 1}, {2404, 1},
        {2435, 1}, {2439, 1}, {2467, 1}, {2468, 1},
        // responses, login chain, error replies
        {1028, 2}, {1029, 2}, {1031, 2}, {1032, 2}, {1033, 2}, {1036, 2}, {1038, 2}, {1042, 2}, {1045, 2},
        {1047, 2}, {1049, 2}, {1051, 2}, {1859, 2}, {1860, 2}, {1923, 2}, {1925, 2}, {1987, 2}, {1992, 2},
        {2051, 2}, {2055, 2}, {2059, 2},
        // market-data query responses
        {1040, 3}, {1053, 3}, {1054, 3}, {1056, 3},
        // dropped: heartbeat, requests, neighbours of every range, no code
        {0, 0}, {2, 0}, {1030, 0}, {1035, 0}, {1037, 0}, {1039, 0}, {1041, 0}, {1043, 0}, {1044, 0},
        {1046, 0}, {1048, 0}, {1050, 0}, {1052, 0}, {1055, 0}, {2306, 0}, {2314, 0}, {2338, 0}, {2340, 0},
        {2370, 0}, {2374, 0}, {2402, 0}, {2405, 0}, {2434, 0}, {2440, 0}, {2466, 0}, {2469, 0}, {1922, 0},
        {1926, 0}, {1986, 0}, {1993, 0}, {2050, 0}, {2060, 0}, {1858, 0}, {1861, 0}, {0x3fff, 0},
    };
    KApiFramework framework(nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(KApiFramework::route(c.code), c.worker);
        // The same through a frame, as "msg_receiver" asks.
        nq::MessageHeader header{};
        nq::set_frame_code_length(&header, c.code, 64);
        nq::Message message{&header, header.bytes + 64, nullptr};
        EXPECT_EQ(framework.get_message_handler(&message), c.worker);
    }
}

TEST(KApiFrameworkRouting, EveryRoutedCodeIsListed) {
    // Exactly the 57 routed codes reach a worker; nothing else in the 14-bit
    // range does.
    unsigned count[4] = {0, 0, 0, 0};
    for (uint32_t code = 0; code < 16384; ++code) {
        const unsigned long w = KApiFramework::route(code);
        ASSERT_LE(w, 3u) << code;
        ++count[w];
    }
    EXPECT_EQ(count[1], 21u);
    EXPECT_EQ(count[2], 32u);
    EXPECT_EQ(count[3], 4u);
}

}  // namespace
