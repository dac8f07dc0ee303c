#include "trv_api.h"

// Every callback does nothing unless the user overrides it.
namespace nq {

TRVQuoteSpi::~TRVQuoteSpi() {}

void TRVQuoteSpi::on_disconnect(uint64_t) {}
void TRVQuoteSpi::on_login(uint64_t, uint64_t, const trv_error_info_t*) {}
void TRVQuoteSpi::on_quote(QuoteMCType, const void*, uint32_t) {}
void TRVQuoteSpi::on_query_static_quote_info(uint64_t, uint64_t, const TRVStaticQuoteList*, bool,
                                             const trv_error_info_t*) {}
void TRVQuoteSpi::on_query_level1_quote(uint64_t, uint64_t, const trv_level1_quote_t*, const trv_error_info_t*) {}
void TRVQuoteSpi::on_query_all_level1_quote(uint64_t, uint64_t, const TRVLevel1QuoteList*, bool,
                                            const trv_error_info_t*) {}
void TRVQuoteSpi::on_request_rebuild_tick_quote_error(uint64_t, uint64_t, const trv_error_info_t*) {}
void TRVQuoteSpi::on_rebuild_tick_quote(uint64_t, uint64_t, ExchangeIndex, QuoteMsgType,
                                        const trv_tick_quote_union_t*) {}

}  // namespace nq
