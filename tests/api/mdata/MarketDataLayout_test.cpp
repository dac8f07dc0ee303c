// Layout of the market-data records: every record is read from bytes
// placed at the offsets of the feed formats, never built from the structs,
// so a wrong offset, width or signedness in the header shows here.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "trv_api.h"

namespace {

struct SizeCase {
    const char* name;
    size_t actual;
    size_t expected;
};

#define S(rec, size) \
    { #rec, sizeof(rec), size }

const SizeCase kSizes[] = {
    S(nq::trv_sse_l1_index_t, 114),
    S(nq::trv_sse_l1_snapshot_t, 330),
    S(nq::trv_szse_l1_index_t, 117),
    S(nq::trv_szse_l1_snapshot_t, 413),
    S(nq::trv_szse_l1_snapshot_bond_t, 427),
    S(nq::trv_sse_l2_tick_t, 70),
    S(nq::trv_sse_l2_bond_tick_t, 70),
    S(nq::trv_szse_l2_order_t, 54),
    S(nq::trv_szse_l2_trade_t, 69),
    S(nq::trv_rebuild_tick_quote_req_t, 19),
    S(nq::trv_static_quote_full_info_t, 172),
    S(nq::quote_thread_t, 136),
    S(price_quantity_unit, 12),
    S(sse_lev2_price_quantity_unit, 16),
    S(sse_lev2_tree_price_quantity_unit, 12),
    S(sse_option_price_quantity_unit, 12),
    S(sse_lev2_bond_price_quantity_unit, 12),
    S(sze_dvs_head, 43),
    S(sze_heartbeat, 16),
    S(sze_dvs_lev2, 376),
    S(sze_dvs_idx, 96),
    S(sze_dvs_order, 72),
    S(sze_dvs_exe, 72),
    S(sze_dvs_tree, 392),
    S(sze_dvs_ibr_tree, 200),
    S(sze_dvs_turnover, 80),
    S(sze_dvs_after_close, 96),
    S(sze_dvs_bond_snap, 400),
    S(sze_dvs_bond_order, 72),
    S(sze_dvs_bond_exe, 72),
    S(sse_dvs_head, 26),
    S(sse_heartbeat, 16),
    S(sse_dvs_lev2, 440),
    S(sse_dvs_idx, 80),
    S(sse_dvs_exe, 96),
    S(sse_dvs_order, 96),
    S(sse_dvs_tree, 376),
    S(sse_dvs_stock_option, 232),
    S(sse_dvs_bond_snap, 424),
    S(sse_dvs_bond_tick, 96),
    S(sse_dvs_tick_merge, 72),
    S(sse_dvs_etf, 96),
    S(sse_dvs_bond_tree, 376),
    S(sse_static_msg_header, 12),
    S(sse_static_msg_body, 139),
    S(sse_static_msg, 151),
    S(nq::trv_l1_quote_union_t, 427),
    S(nq::trv_level1_quote_t, 428),
    S(nq::trv_tick_quote_union_t, 70),
    S(nq::TRVQuoteItem, 16),
    S(nq::mqr::MQRQuoteItem, 16),
};
#undef S

TEST(MarketDataLayout, RecordSizes) {
    for (const SizeCase& c : kSizes) EXPECT_EQ(c.actual, c.expected) << c.name;
}

// How a field reads back: U unsigned, S signed (two's complement), B bool.
enum Kind { U, S, B };

struct FieldCase {
    const char* name;
    size_t record_size;  // of the struct
    size_t offset;       // of the field, from the feed format
    size_t width;
    Kind kind;
    size_t actual_offset;  // offsetof in the struct
    size_t actual_width;
    bool actual_signed;
    // Reads the field through the struct from a buffer of record_size bytes.
    int64_t (*read)(const unsigned char*);
};

template <class T>
int64_t widen(T v) {
    return static_cast<int64_t>(v);
}

template <class T>
constexpr bool is_signed_field() {
    return std::is_signed<typename std::conditional<std::is_enum<T>::value, std::underlying_type<T>,
                                                    std::common_type<T>>::type::type>::value;
}

#define L(rec, field, off, width, kind)                                                      \
    {                                                                                        \
#rec "." #field, sizeof(rec), off, width, kind, offsetof(rec, field),                      \
     sizeof(std::declval<rec&>().field),                                                        \
     is_signed_field<typename std::decay<decltype(std::declval<rec&>().field)>::type>(),        \
     [](const unsigned char* p) -> int64_t {                                                    \
         rec r;                                                                                 \
         std::memcpy(static_cast<void*>(&r), p, sizeof r);                                      \
         return widen(r.field);                                                                 \
     } \
    }

const FieldCase kFields[] = {
    L(nq::trv_sse_l1_index_t, total_volume_traded, 41, 8, U),
    L(nq::trv_sse_l1_index_t, low_px, 106, 8, U),
    L(nq::trv_sse_l1_snapshot_t, close_px, 90, 8, U),
    L(nq::trv_sse_l1_snapshot_t, offer_volume[4], 322, 8, U),
    L(nq::trv_szse_l1_index_t, orig_time, 2, 8, S),
    L(nq::trv_szse_l1_index_t, prev_close_px, 37, 8, S),
    L(nq::trv_szse_l1_index_t, num_trades, 45, 8, S),
    L(nq::trv_szse_l1_index_t, total_volume_trade, 53, 8, S),
    L(nq::trv_szse_l1_index_t, total_value_trade, 61, 8, S),
    L(nq::trv_szse_l1_index_t, last_index, 69, 8, S),
    L(nq::trv_szse_l1_index_t, prev_close_index, 77, 8, S),
    L(nq::trv_szse_l1_index_t, open_index, 85, 8, S),
    L(nq::trv_szse_l1_index_t, high_index, 93, 8, S),
    L(nq::trv_szse_l1_index_t, low_index, 101, 8, S),
    L(nq::trv_szse_l1_index_t, close_index, 109, 8, S),
    L(nq::trv_szse_l1_snapshot_t, orig_time, 2, 8, S),
    L(nq::trv_szse_l1_snapshot_t, prev_close_px, 37, 8, S),
    L(nq::trv_szse_l1_snapshot_t, num_trades, 45, 8, S),
    L(nq::trv_szse_l1_snapshot_t, total_volume_trade, 53, 8, S),
    L(nq::trv_szse_l1_snapshot_t, total_value_trade, 61, 8, S),
    L(nq::trv_szse_l1_snapshot_t, last_px, 69, 8, S),
    L(nq::trv_szse_l1_snapshot_t, open_px, 77, 8, S),
    L(nq::trv_szse_l1_snapshot_t, high_px, 85, 8, S),
    L(nq::trv_szse_l1_snapshot_t, low_px, 93, 8, S),
    L(nq::trv_szse_l1_snapshot_t, px_gain, 101, 8, S),
    L(nq::trv_szse_l1_snapshot_t, px_gain_2, 109, 8, S),
    L(nq::trv_szse_l1_snapshot_t, weighted_avg_bid_px, 117, 8, S),
    L(nq::trv_szse_l1_snapshot_t, total_bid_qty, 125, 8, S),
    L(nq::trv_szse_l1_snapshot_t, weighted_avg_offer_px, 133, 8, S),
    L(nq::trv_szse_l1_snapshot_t, total_offer_qty, 141, 8, S),
    L(nq::trv_szse_l1_snapshot_t, pe_ratio_1, 149, 8, S),
    L(nq::trv_szse_l1_snapshot_t, pe_ratio_2, 157, 8, S),
    L(nq::trv_szse_l1_snapshot_t, nav, 165, 8, S),
    L(nq::trv_szse_l1_snapshot_t, iopv, 173, 8, S),
    L(nq::trv_szse_l1_snapshot_t, warrant_premium, 181, 8, S),
    L(nq::trv_szse_l1_snapshot_t, limit_up_px, 189, 8, S),
    L(nq::trv_szse_l1_snapshot_t, limit_down_px, 197, 8, S),
    L(nq::trv_szse_l1_snapshot_t, option_open_qty, 205, 8, S),
    L(nq::trv_szse_l1_snapshot_t, option_break_px, 213, 8, S),
    L(nq::trv_szse_l1_snapshot_t, etf_buy_amount, 221, 8, S),
    L(nq::trv_szse_l1_snapshot_t, etf_buy_number, 229, 8, S),
    L(nq::trv_szse_l1_snapshot_t, etf_sell_amount, 237, 8, S),
    L(nq::trv_szse_l1_snapshot_t, etf_sell_number, 245, 8, S),
    L(nq::trv_szse_l1_snapshot_t, bid_px[4], 285, 8, S),
    L(nq::trv_szse_l1_snapshot_t, bid_volume[4], 325, 8, S),
    L(nq::trv_szse_l1_snapshot_t, offer_px[4], 365, 8, S),
    L(nq::trv_szse_l1_snapshot_t, offer_volume[4], 405, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, orig_time, 2, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, prev_close_px, 37, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, num_trades, 45, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, total_volume_trade, 53, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, total_value_trade, 61, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, last_px, 69, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, open_px, 77, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, close_px, 85, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, high_px, 93, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, low_px, 101, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, last_px_type, 109, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, weighted_avg_px, 117, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, px_gain, 125, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, px_gain_2, 133, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, weighted_avg_bid_px, 141, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, total_bid_qty, 149, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, weighted_avg_offer_px, 157, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, total_offer_qty, 165, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, weighted_avg_ir_gain, 173, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, weighted_avg_prev_ir, 181, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, match_last_px, 189, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, auction_volume_trade, 197, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, auction_value_trade, 205, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, bid_px[4], 299, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, bid_volume[4], 339, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, offer_px[4], 379, 8, S),
    L(nq::trv_szse_l1_snapshot_bond_t, offer_volume[4], 419, 8, S),
    L(nq::trv_sse_l2_tick_t, biz_index, 0, 8, S),
    L(nq::trv_sse_l2_tick_t, channel, 8, 4, S),
    L(nq::trv_sse_l2_tick_t, tick_time, 21, 4, S),
    L(nq::trv_sse_l2_tick_t, buy_order_no, 26, 8, S),
    L(nq::trv_sse_l2_tick_t, sell_order_no, 34, 8, S),
    L(nq::trv_sse_l2_tick_t, price, 42, 4, S),
    L(nq::trv_sse_l2_tick_t, qty, 46, 8, S),
    L(nq::trv_sse_l2_tick_t, trade_money, 54, 8, S),
    L(nq::trv_sse_l2_tick_t, tick_bs_flag[7], 69, 1, S),
    L(nq::trv_sse_l2_bond_tick_t, tick_index, 0, 8, S),
    L(nq::trv_sse_l2_bond_tick_t, channel, 8, 4, S),
    L(nq::trv_sse_l2_bond_tick_t, tick_time, 21, 4, S),
    L(nq::trv_sse_l2_bond_tick_t, buy_order_no, 26, 8, S),
    L(nq::trv_sse_l2_bond_tick_t, sell_order_no, 34, 8, S),
    L(nq::trv_sse_l2_bond_tick_t, price, 42, 4, S),
    L(nq::trv_sse_l2_bond_tick_t, qty, 46, 8, S),
    L(nq::trv_sse_l2_bond_tick_t, trade_money, 54, 8, S),
    L(nq::trv_sse_l2_bond_tick_t, tick_bs_flag[7], 69, 1, S),
    L(nq::trv_szse_l2_order_t, channel_no, 0, 2, S),
    L(nq::trv_szse_l2_order_t, appl_seq_num, 2, 8, S),
    L(nq::trv_szse_l2_order_t, price, 28, 8, S),
    L(nq::trv_szse_l2_order_t, qty, 36, 8, S),
    L(nq::trv_szse_l2_order_t, transact_time, 45, 8, S),
    L(nq::trv_szse_l2_order_t, ord_type, 53, 1, S),
    L(nq::trv_szse_l2_trade_t, channel_no, 0, 2, S),
    L(nq::trv_szse_l2_trade_t, appl_seq_num, 2, 8, S),
    L(nq::trv_szse_l2_trade_t, bid_appl_seq_num, 14, 8, S),
    L(nq::trv_szse_l2_trade_t, offer_appl_seq_num, 22, 8, S),
    L(nq::trv_szse_l2_trade_t, security_code[8], 38, 1, S),
    L(nq::trv_szse_l2_trade_t, price, 44, 8, S),
    L(nq::trv_szse_l2_trade_t, qty, 52, 8, S),
    L(nq::trv_szse_l2_trade_t, transact_time, 61, 8, S),
    L(nq::trv_rebuild_tick_quote_req_t, channel_no, 1, 2, S),
    L(nq::trv_rebuild_tick_quote_req_t, begin_sequence, 3, 8, S),
    L(nq::trv_rebuild_tick_quote_req_t, end_sequence, 11, 8, S),
    L(nq::trv_static_quote_full_info_t, upper_limit_price, 61, 8, S),
    L(nq::trv_static_quote_full_info_t, lower_limit_price, 69, 8, S),
    L(nq::trv_static_quote_full_info_t, pre_close_price, 77, 8, S),
    L(nq::trv_static_quote_full_info_t, price_tick, 85, 8, S),
    L(nq::trv_static_quote_full_info_t, bid_qty_upper_limit, 93, 4, S),
    L(nq::trv_static_quote_full_info_t, bid_qty_lower_limit, 97, 4, S),
    L(nq::trv_static_quote_full_info_t, bid_qty_unit, 101, 4, S),
    L(nq::trv_static_quote_full_info_t, ask_qty_upper_limit, 105, 4, S),
    L(nq::trv_static_quote_full_info_t, ask_qty_lower_limit, 109, 4, S),
    L(nq::trv_static_quote_full_info_t, ask_qty_unit, 113, 4, S),
    L(nq::trv_static_quote_full_info_t, market_bid_qty_upper_limit, 117, 4, S),
    L(nq::trv_static_quote_full_info_t, market_bid_qty_lower_limit, 121, 4, S),
    L(nq::trv_static_quote_full_info_t, market_bid_qty_unit, 125, 4, S),
    L(nq::trv_static_quote_full_info_t, market_ask_qty_upper_limit, 129, 4, S),
    L(nq::trv_static_quote_full_info_t, market_ask_qty_lower_limit, 133, 4, S),
    L(nq::trv_static_quote_full_info_t, market_ask_qty_unit, 137, 4, S),
    L(nq::trv_static_quote_full_info_t, swap_price, 160, 8, S),
    L(nq::trv_static_quote_full_info_t, maturity_date, 168, 4, U),
    L(nq::quote_thread_t, cpu_affinity, 0, 4, S),
    L(nq::quote_thread_t, mc_count, 6, 2, U),
    L(nq::quote_thread_t, mc_types[63], 134, 2, U),
    L(price_quantity_unit, m_quantity, 4, 8, U),
    L(sse_lev2_price_quantity_unit, m_price, 4, 4, U),
    L(sse_lev2_price_quantity_unit, m_quantity, 8, 8, U),
    L(sse_lev2_tree_price_quantity_unit, m_quantity, 4, 8, U),
    L(sse_option_price_quantity_unit, m_quantity, 4, 8, U),
    L(sse_lev2_bond_price_quantity_unit, m_quantity, 4, 8, U),
    L(sze_dvs_head, m_message_type, 8, 1, U),
    L(sze_dvs_head, m_symbol[8], 19, 1, U),
    L(sze_dvs_head, m_md_stream_id, 39, 4, U),
    L(sze_heartbeat, m_message_type, 8, 1, U),
    L(sze_heartbeat, m_reserved_2[6], 15, 1, U),
    L(sze_dvs_lev2, m_head.m_message_type, 8, 1, U),
    L(sze_dvs_lev2, m_total_bid_weighted_avg_price, 92, 4, U),
    L(sze_dvs_lev2, m_ask_unit[9].m_quantity, 368, 8, U),
    L(sze_dvs_idx, m_head.m_message_type, 8, 1, U),
    L(sze_dvs_idx, m_pre_close_price, 71, 4, U),
    L(sze_dvs_idx, m_reserved[4], 95, 1, S),
    L(sze_dvs_order, m_head.m_message_type, 8, 1, U),
    L(sze_dvs_order, m_order_quantity, 47, 8, U),
    L(sze_dvs_order, m_reserved[14], 71, 1, S),
    L(sze_dvs_exe, m_head.m_message_type, 8, 1, U),
    L(sze_dvs_exe, m_trade_buy_num, 43, 8, S),
    L(sze_dvs_exe, m_trade_sell_num, 51, 8, S),
    L(sze_dvs_exe, m_trade_quantity, 63, 8, S),
    L(sze_dvs_exe, m_trade_type, 71, 1, S),
    L(sze_dvs_tree, m_head.m_message_type, 8, 1, U),
    L(sze_dvs_tree, m_total_trade_num, 43, 8, S),
    L(sze_dvs_tree, m_total_value, 59, 8, S),
    L(sze_dvs_tree, m_total_ask_weighted_avg_price, 103, 4, U),
    L(sze_dvs_tree, m_reserved[3], 391, 1, S),
    L(sze_dvs_ibr_tree, m_head.m_message_type, 8, 1, U),
    L(sze_dvs_ibr_tree, m_bid_depth, 67, 4, U),
    L(sze_dvs_ibr_tree, m_reserved[4], 199, 1, S),
    L(sze_dvs_turnover, m_head.m_message_type, 8, 1, U),
    L(sze_dvs_turnover, m_pre_close_price, 44, 8, S),
    L(sze_dvs_turnover, m_total_trade_num, 52, 8, S),
    L(sze_dvs_turnover, m_stock_num, 76, 4, U),
    L(sze_dvs_after_close, m_head.m_message_type, 8, 1, U),
    L(sze_dvs_after_close, m_total_trade_num, 44, 8, S),
    L(sze_dvs_after_close, m_total_value, 60, 8, U),
    L(sze_dvs_after_close, m_reserved[3], 95, 1, S),
    L(sze_dvs_bond_snap, m_head.m_message_type, 8, 1, U),
    L(sze_dvs_bond_snap, m_fluctuation_1, 96, 4, S),
    L(sze_dvs_bond_snap, m_fluctuation_2, 100, 4, S),
    L(sze_dvs_bond_snap, m_weighted_avg_price_BP, 128, 4, S),
    L(sze_dvs_bond_snap, m_ask_unit[9].m_quantity, 392, 8, U),
    L(sze_dvs_bond_order, m_head.m_message_type, 8, 1, U),
    L(sze_dvs_bond_order, m_quantity, 47, 8, U),
    L(sze_dvs_bond_order, m_reserved[14], 71, 1, S),
    L(sze_dvs_bond_exe, m_head.m_message_type, 8, 1, U),
    L(sze_dvs_bond_exe, m_buy_num, 43, 8, S),
    L(sze_dvs_bond_exe, m_sell_num, 51, 8, S),
    L(sze_dvs_bond_exe, m_quantity, 63, 8, S),
    L(sze_dvs_bond_exe, m_type, 71, 1, S),
    L(sse_dvs_head, m_message_type, 8, 1, U),
    L(sse_dvs_head, m_quote_date_month, 14, 1, U),
    L(sse_dvs_head, m_seq_lost_flag, 25, 1, U),
    L(sse_heartbeat, m_message_type, 8, 1, U),
    L(sse_heartbeat, m_reserved_2[6], 15, 1, U),
    L(sse_dvs_lev2, m_head.m_message_type, 8, 1, U),
    L(sse_dvs_lev2, m_total_trade_num, 70, 4, U),
    L(sse_dvs_lev2, m_ask_unit[9].m_quantity, 432, 8, U),
    L(sse_dvs_idx, m_head.m_message_type, 8, 1, U),
    L(sse_dvs_idx, m_open_price, 44, 4, U),
    L(sse_dvs_idx, m_today_close_price, 76, 4, U),
    L(sse_dvs_exe, m_head.m_message_type, 8, 1, U),
    L(sse_dvs_exe, m_trade_quantity, 51, 8, U),
    L(sse_dvs_exe, m_reserved[3], 95, 1, U),
    L(sse_dvs_order, m_head.m_message_type, 8, 1, U),
    L(sse_dvs_order, m_order_num, 48, 8, U),
    L(sse_dvs_order, m_reserved_1[3], 95, 1, U),
    L(sse_dvs_tree, m_head.m_message_type, 8, 1, U),
    L(sse_dvs_tree, m_reserved_0[5], 83, 1, U),
    L(sse_dvs_tree, m_total_ask_weighted_avg_price, 124, 4, S),
    L(sse_dvs_tree, m_yield_to_maturity, 128, 4, S),
    L(sse_dvs_tree, m_ask_unit[9].m_quantity, 368, 8, U),
    L(sse_dvs_stock_option, m_head.m_message_type, 8, 1, U),
    L(sse_dvs_stock_option, m_today_settle_price, 70, 4, U),
    L(sse_dvs_stock_option, m_ask_unit[4].m_quantity, 224, 8, U),
    L(sse_dvs_bond_snap, m_head.m_message_type, 8, 1, U),
    L(sse_dvs_bond_snap, m_total_bid_weighted_avg_price, 104, 4, U),
    L(sse_dvs_bond_snap, m_bid_trade_max_duration, 168, 4, S),
    L(sse_dvs_bond_snap, m_ask_trade_max_duration, 172, 4, S),
    L(sse_dvs_bond_snap, m_ask_unit[9].m_quantity, 416, 8, U),
    L(sse_dvs_bond_tick, m_head.m_message_type, 8, 1, U),
    L(sse_dvs_bond_tick, m_tick_type, 49, 1, S),
    L(sse_dvs_bond_tick, m_reserved[7], 95, 1, U),
    L(sse_dvs_tick_merge, m_message_type, 8, 1, U),
    L(sse_dvs_tick_merge, m_tick_time, 30, 4, U),
    L(sse_dvs_tick_merge, m_side_flag, 71, 1, U),
    L(sse_dvs_etf, m_head.m_message_type, 8, 1, U),
    L(sse_dvs_etf, m_buy_number, 41, 4, U),
    L(sse_dvs_etf, m_reserved_0[14], 95, 1, U),
    L(sse_dvs_bond_tree, m_head.m_message_type, 8, 1, U),
    L(sse_dvs_bond_tree, m_total_trade_num, 84, 4, U),
    L(sse_dvs_bond_tree, m_total_ask_weighted_avg_price, 124, 4, S),
    L(sse_dvs_bond_tree, m_ask_unit[9].m_quantity, 368, 8, U),
    L(sse_static_msg_header, m_msg_type, 8, 1, U),
    L(sse_static_msg_header, m_batch_finish_flag, 11, 1, B),
    L(sse_static_msg_body, m_limit_lower_qty, 64, 8, U),
    L(sse_static_msg_body, m_listing_date[8], 138, 1, S),
    L(nq::trv_level1_quote_t, quoteMsgType, 0, 1, U),
    L(nq::trv_level1_quote_t, l1_quote.sse_l1_index.security_type, 1, 1, U),
    L(nq::trv_level1_quote_t, l1_quote.szse_l1_snapshot.offer_volume[4], 406, 8, S),
    L(nq::trv_level1_quote_t, l1_quote.szse_l1_snapshot_bond.offer_volume[4], 420, 8, S),
    L(nq::trv_tick_quote_union_t, sse_l2_tick.tick_bs_flag[7], 69, 1, S),
    L(nq::trv_tick_quote_union_t, szse_l2_trade.transact_time, 61, 8, S),
    L(nq::trv_tick_quote_union_t, szse_l2_order.ord_type, 53, 1, S),
    L(nq::quote_thread_t, busy_poll, 4, 1, B),
    L(sse_static_msg, m_header.m_msg_type, 8, 1, U),
    L(sse_static_msg, m_body.m_exchange_id, 12, 1, U),
    L(sse_static_msg, m_body.m_listing_date[8], 150, 1, S),
};
#undef L

TEST(MarketDataLayout, FieldsReadFromFormatOffsets) {
    for (const FieldCase& c : kFields) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.actual_offset, c.offset);
        ASSERT_EQ(c.actual_width, c.width);
        if (c.kind != B) {
            EXPECT_EQ(c.actual_signed, c.kind == S);
        }
        // A little-endian pattern whose top byte has the sign bit set, so a
        // wrong width, byte order or signedness gives another value.
        std::vector<unsigned char> buf(c.record_size, 0);
        ASSERT_LE(c.offset + c.width, buf.size());
        uint64_t bits = 0;
        for (size_t i = 0; i < c.width; ++i) {
            const unsigned char b = c.kind == B ? 1 : static_cast<unsigned char>(0x81 + 0x11 * i);
            buf[c.offset + i] = b;
            bits |= static_cast<uint64_t>(b) << (8 * i);
        }
        int64_t expected = static_cast<int64_t>(bits);
        if (c.kind == S && c.width < 8) {
            const uint64_t sign = uint64_t(1) << (8 * c.width - 1);
            expected = static_cast<int64_t>((bits ^ sign) - sign);
        }
        EXPECT_EQ(c.read(buf.data()), expected);
    }
}

TEST(MarketDataLayout, QuoteThreadKeepsNaturalAlignment) {
    // Byte 5 is padding; mc_types starts at 8.
    EXPECT_EQ(alignof(nq::quote_thread_t), 4u);
    EXPECT_EQ(offsetof(nq::quote_thread_t, mc_types), 8u);
    EXPECT_EQ(sizeof(nq::quote_thread_t), 136u);
}

TEST(MarketDataLayout, DecoderItemsAreNaturallyAligned) {
    EXPECT_EQ(alignof(nq::TRVQuoteItem), alignof(void*));
    EXPECT_EQ(alignof(nq::mqr::MQRQuoteItem), alignof(void*));
    EXPECT_EQ(offsetof(nq::TRVQuoteItem, data), 8u);
    EXPECT_EQ(offsetof(nq::mqr::MQRQuoteItem, data), 8u);
}

TEST(MarketDataLayout, FeedArrayLengthsAreTheFeedConstants) {
    EXPECT_EQ(sizeof(sze_dvs_head::m_symbol), size_t(SZE_SYMBOL_LEN));
    EXPECT_EQ(sizeof(sse_dvs_lev2::m_symbol), size_t(SSE_SYMBOL_LEN));
    EXPECT_EQ(sizeof(sze_dvs_lev2::m_bid_unit) / sizeof(price_quantity_unit), size_t(SZE_LEV2_DEPTH));
    EXPECT_EQ(sizeof(sze_dvs_ibr_tree::m_ask_unit) / sizeof(price_quantity_unit), size_t(SZE_IBR_DEPTH));
    EXPECT_EQ(sizeof(sse_dvs_lev2::m_ask_unit) / sizeof(sse_lev2_price_quantity_unit), size_t(SSE_LEV2_DEPTH));
    EXPECT_EQ(sizeof(sse_dvs_stock_option::m_bid_unit) / sizeof(sse_option_price_quantity_unit),
              size_t(SSE_OPTION_DEPTH));
    EXPECT_EQ(sizeof(sse_static_msg_body::m_security_name), size_t(SSE_SECURITY_NAME_LEN));
    EXPECT_EQ(sizeof(sse_static_msg_body::m_product_status), size_t(SSE_PRODUCT_STATUS_LEN));
    EXPECT_EQ(sizeof(sse_static_msg_body::m_listing_date), size_t(DATE_LEN));
    EXPECT_EQ(SSE_STATIC_INFO_FOUND_SYMBOL_BUT_NO_VALUE, -3);
}

}  // namespace
