// Compiled as C++11 with warnings as errors: the public header must build for
// users on an older standard and must not leak the library's internals.
// Including it twice must be harmless.
#include "trv_api.h"

#ifdef LOG_ERROR
#error "the public header leaks the logging macros"
#endif
#if defined(TRV_LAYOUT) || defined(TRV_AT) || defined(TRV_ALIGN)
#error "the public header leaks its layout-check macros"
#endif

namespace nq {
namespace api {
// Would clash if the public header declared anything of the implementation.
struct KApi {};
}  // namespace api
namespace log {
struct Log {};
}  // namespace log
}  // namespace nq

// Records declared after the header keep natural alignment.
struct AfterHeader {
    char c;
    uint64_t x;
};
static_assert(sizeof(AfterHeader) == 16, "no packing state leaks from the header");

struct UserSpi : nq::TRVTradeSpi {
    void on_login(uint64_t, uint64_t, const nq::trv_error_info_t*) override {}
};

struct UserList : nq::TRVPositionList {
    size_t data_count() const override { return 0; }
    const nq::trv_position_info_t* get(int) const override { return nullptr; }
};

int trv_public_header_cxx11(void) {
    nq::TRVTradeConfig config;
    config.set_order_timeout(5);
    nq::trv_order_insert_info_t order = nq::trv_order_insert_info_t();
    order.side = nq::Side::BUY;
    UserSpi spi;
    UserList list;
    (void)spi;
    (void)list;
    return config.order_timeout() + static_cast<int>(order.side) + nq::TradeMessageType::REPORT;
}
