#include "trv_api.h"

// Every callback does nothing unless the user overrides it.
namespace nq {

TRVTradeSpi::~TRVTradeSpi() {}

void TRVTradeSpi::on_disconnect(uint64_t) {}
void TRVTradeSpi::on_order_timeout(uint64_t, uint64_t) {}
void TRVTradeSpi::on_login(uint64_t, uint64_t, const trv_error_info_t*) {}
void TRVTradeSpi::on_auth_trade(uint64_t, uint64_t, uint64_t, const trv_error_info_t*) {}
void TRVTradeSpi::on_subscribe_trade_message(uint64_t, uint64_t, uint64_t, uint64_t, const trv_error_info_t*) {}
void TRVTradeSpi::on_rebuild_trade_message(uint64_t, uint64_t, uint64_t, uint64_t, const trv_error_info_t*) {}
void TRVTradeSpi::on_query_positions(uint64_t, uint64_t, const TRVPositionList*, bool, const trv_error_info_t*) {}
void TRVTradeSpi::on_query_assets(uint64_t, uint64_t, const TRVAssetList*, bool, const trv_error_info_t*) {}
void TRVTradeSpi::on_query_orders(uint64_t, uint64_t, const TRVOrderList*, bool, const trv_error_info_t*) {}
void TRVTradeSpi::on_query_orders_by_page(uint64_t, uint64_t, const TRVOrderList*, uint64_t, uint64_t,
                                          const trv_page_query_reference_t*, bool, const trv_error_info_t*) {}
void TRVTradeSpi::on_query_trades(uint64_t, uint64_t, const TRVTradeReportList*, bool, const trv_error_info_t*) {}
void TRVTradeSpi::on_query_init_assets(uint64_t, uint64_t, const TRVInitAssetList*, bool, const trv_error_info_t*) {}
void TRVTradeSpi::on_query_init_positions(uint64_t, uint64_t, const TRVInitPositionList*, bool,
                                          const trv_error_info_t*) {}
void TRVTradeSpi::on_query_trade_account_info(uint64_t, uint64_t, const TRVTradeAccountInfoList*, bool,
                                              const trv_error_info_t*) {}
void TRVTradeSpi::on_order_response(uint64_t, const trv_msg_desc_t*, const trv_order_response_t*) {}
void TRVTradeSpi::on_cancel_response(uint64_t, const trv_msg_desc_t*, const trv_cancel_response_t*) {}
void TRVTradeSpi::on_trade_report(uint64_t, const trv_msg_desc_t*, const trv_trade_report_t*) {}
void TRVTradeSpi::on_order_error_response(uint64_t, const trv_msg_desc_t*, const trv_order_error_response_t*) {}
void TRVTradeSpi::on_order_end(uint64_t, const trv_msg_desc_t*, const trv_order_end_t*) {}
void TRVTradeSpi::on_raw_report(uint64_t, const trv_msg_desc_t*, uint8_t, uint64_t, char*, ExchangeIndex, uint16_t,
                                uint16_t, uint32_t, char*) {}
void TRVTradeSpi::on_counter_fund_transfer_request(uint64_t, const trv_msg_desc_t*,
                                                   const trv_counter_fund_transfer_request_t*) {}
void TRVTradeSpi::on_counter_fund_transfer_result(uint64_t, const trv_msg_desc_t*,
                                                  const trv_counter_fund_transfer_result_t*) {}
void TRVTradeSpi::on_cluster_fund_transfer_request(uint64_t, const trv_msg_desc_t*,
                                                   const trv_cluster_fund_transfer_request_t*) {}
void TRVTradeSpi::on_cluster_fund_transfer_result(uint64_t, const trv_msg_desc_t*,
                                                  const trv_cluster_fund_transfer_result_t*) {}
void TRVTradeSpi::on_order_book_insert(uint64_t, const trv_msg_desc_t*, const trv_order_book_insert_t*) {}
void TRVTradeSpi::on_order_book_update(uint64_t, const trv_msg_desc_t*, const trv_order_book_update_t*) {}
void TRVTradeSpi::on_order_book_error(uint64_t, const trv_msg_desc_t*, const trv_order_book_error_t*) {}
void TRVTradeSpi::on_asset(uint64_t, const trv_msg_desc_t*, const trv_asset_info_t*) {}
void TRVTradeSpi::on_position(uint64_t, const trv_msg_desc_t*, const trv_position_info_t*) {}

}  // namespace nq
