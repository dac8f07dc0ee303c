/**
 * @file trv_api_mdata.h
 * Market-data records of libtrv_api and the two record decoders.
 *
 * The level-2 feed records (global scope) are the exchanges' DVS multicast
 * format exactly as it arrives; the nq records are the counter's level-1
 * records and the quote answers. All of them are packed, little-endian, and
 * their offsets are part of the format. Included by trv_api.h.
 */
#ifndef TRV_API_MDATA_H
#define TRV_API_MDATA_H

#include "trv_api.h"

#ifndef TRV_API_EXPORT
#ifdef SWIG
#define TRV_API_EXPORT
#else
#define TRV_API_EXPORT __attribute__((visibility("default")))
#endif
#endif

#ifndef TRV_PACKED
#ifdef SWIG
#define TRV_PACKED
#else
#define TRV_PACKED __attribute__((packed))
#endif
#endif

/* Level-2 feed constants. Array lengths expand to parenthesised numbers. */

/** Shenzhen exchange id of the feed headers. */
#define SZE_EXCHANGE_ID 101
/** Symbol array length of the Shenzhen records. */
#define SZE_SYMBOL_LEN (9)
/** Price levels of the Shenzhen snapshots and order books. */
#define SZE_LEV2_DEPTH (10)
/** Price levels of the Shenzhen IBR order book. */
#define SZE_IBR_DEPTH (5)

/* Shenzhen message types (byte 8 of every record). */
#define SZE_LEV2_SNAP_MSG_TYPE 21
#define SZE_LEV2_IDX_MSG_TYPE 22
#define SZE_LEV2_ORDER_MSG_TYPE 23
#define SZE_LEV2_EXE_MSG_TYPE 24
#define SZE_LEV2_AF_CLOSE_MSG_TYPE 25
#define SZE_LEV2_TREE_MSG_TYPE 29
#define SZE_LEV2_IBR_TREE_MSG_TYPE 28
#define SZE_LEV2_TURNOVER_MSG_TYPE 26
#define SZE_LEV2_BOND_SNAP_MSG_TYPE 80
#define SZE_LEV2_BOND_ORDER_MSG_TYPE 81
#define SZE_LEV2_BOND_EXE_MSG_TYPE 82
#define SZE_LEV2_SNAP_HT_MSG_TYPE 121
#define SZE_LEV2_IDX_HT_MSG_TYPE 122
#define SZE_LEV2_TICK_HT_MSG_TYPE 123
#define SZE_LEV2_AF_CLOSE_HT_MSG_TYPE 125
#define SZE_LEV2_TREE_HT_MSG_TYPE 129
#define SZE_LEV2_IBR_TREE_HT_MSG_TYPE 128
#define SZE_LEV2_TURNOVER_HT_MSG_TYPE 126
#define SZE_LEV2_BOND_SNAP_HT_MSG_TYPE 180
#define SZE_LEV2_BOND_TICK_HT_MSG_TYPE 181

/** Shanghai exchange id of the feed headers. */
#define SSE_EXCHANGE_ID 100
/** Symbol array length of the Shanghai records. */
#define SSE_SYMBOL_LEN (9)
/** Price levels of the Shanghai snapshots and order books. */
#define SSE_LEV2_DEPTH (10)
/** Price levels of the Shanghai option snapshot. */
#define SSE_OPTION_DEPTH (5)
/** Security name length of the static-information message. */
#define SSE_SECURITY_NAME_LEN (9)
/** Product status length of the static-information message. */
#define SSE_PRODUCT_STATUS_LEN (21)
/** Date text length of the static-information message. */
#define DATE_LEN (9)

/* Shanghai message types (byte 8 of every record). */
#define SSE_LEV2_IDX_MSG_TYPE 33
#define SSE_LEV2_EXE_MSG_TYPE 34
#define SSE_LEV2_OPT_MSG_TYPE 35
#define SSE_LEV2_SNAP_MSG_TYPE 39
#define SSE_LEV2_ORDER_MSG_TYPE 32
#define SSE_LEV2_TREE_MSG_TYPE 38
#define SSE_LEV2_BOND_SNAP_MSG_TYPE 60
#define SSE_LEV2_BOND_TICK_MSG_TYPE 61
#define SSE_LEV2_TICK_MERGE_MSG_TYPE 62
#define SSE_LEV2_ETF_MSG_TYPE 63
#define SSE_LEV2_BOND_TREE_MSG_TYPE 66
#define SSE_LEV2_STATIC_INFO_MSG_TYPE 255
#define SSE_LEV2_IDX_HT_MSG_TYPE 133
#define SSE_LEV2_TICK_HT_MSG_TYPE 132
#define SSE_LEV2_OPT_HT_MSG_TYPE 135
#define SSE_LEV2_TREE_HT_MSG_TYPE 138
#define SSE_LEV2_SNAP_HT_MSG_TYPE 139
#define SSE_LEV2_BOND_SNAP_HT_MSG_TYPE 160
#define SSE_LEV2_BOND_TICK_HT_MSG_TYPE 161
#define SSE_LEV2_TICK_MERGE_HT_MSG_TYPE 162
#define SSE_LEV2_ETF_HT_MSG_TYPE 163
#define SSE_LEV2_BOND_TREE_HT_MSG_TYPE 166

/* Result codes of a static-information lookup. */
#define SSE_STATIC_INFO_OK 0
#define SSE_STATIC_INFO_SYMBOL_IS_INCORRECT (-1)
#define SSE_STATIC_INFO_NOT_FOUND_SYMBOL (-2)
#define SSE_STATIC_INFO_FOUND_SYMBOL_BUT_NO_VALUE (-3)

/* ---- Price levels ---- */

/** One price level of the Shenzhen records. */
struct TRV_PACKED price_quantity_unit {
    uint32_t m_price;
    uint64_t m_quantity;
};

/** One price level of the Shanghai stock snapshot. */
struct TRV_PACKED sse_lev2_price_quantity_unit {
    char m_reserved[4];
    uint32_t m_price;
    uint64_t m_quantity;
};

/** One price level of the Shanghai order books. */
struct TRV_PACKED sse_lev2_tree_price_quantity_unit {
    uint32_t m_price;
    uint64_t m_quantity;
};

/** One price level of the Shanghai option snapshot. */
struct TRV_PACKED sse_option_price_quantity_unit {
    uint32_t m_price;
    uint64_t m_quantity;
};

/** One price level of the Shanghai bond snapshot. */
struct TRV_PACKED sse_lev2_bond_price_quantity_unit {
    uint32_t m_price;
    uint64_t m_quantity;
};

/* ---- Shenzhen records ---- */

/** Header of every Shenzhen record; byte 8 is the message type. */
struct TRV_PACKED sze_dvs_head {
    uint32_t m_sequence;
    uint32_t m_reserved_1;
    uint8_t m_message_type;
    uint8_t m_security_type;
    uint8_t m_sub_security_type;
    unsigned char m_symbol[SZE_SYMBOL_LEN];
    uint8_t m_exchange_id;
    uint64_t m_quote_update_time;
    uint16_t m_channel_num;
    uint64_t m_sequence_num;
    uint32_t m_md_stream_id;
};

/** Shenzhen feed heartbeat. */
struct TRV_PACKED sze_heartbeat {
    uint32_t m_sequence;
    uint32_t m_reserved_1;
    uint8_t m_message_type;
    uint8_t m_reserved_2[7];
};

/** Shenzhen stock snapshot (SZE_LEV2_SNAP_MSG_TYPE). */
struct TRV_PACKED sze_dvs_lev2 {
    sze_dvs_head m_head;
    uint8_t m_trading_status;
    uint64_t m_total_trade_num;
    uint64_t m_total_quantity;
    uint64_t m_total_value;
    uint32_t m_pre_close_price;
    uint32_t m_last_price;
    uint32_t m_open_price;
    uint32_t m_day_high_price;
    uint32_t m_day_low_price;
    uint32_t m_today_close_price;
    uint32_t m_total_bid_weighted_avg_price;
    uint64_t m_total_bid_quantity;
    uint32_t m_total_ask_weighted_avg_price;
    uint64_t m_total_ask_quantity;
    uint32_t m_lpv;
    uint32_t m_iopv;
    uint32_t m_upper_limit_price;
    uint32_t m_low_limit_price;
    uint32_t m_open_interest;
    price_quantity_unit m_bid_unit[SZE_LEV2_DEPTH];
    price_quantity_unit m_ask_unit[SZE_LEV2_DEPTH];
};

/** Shenzhen index (SZE_LEV2_IDX_MSG_TYPE). */
struct TRV_PACKED sze_dvs_idx {
    sze_dvs_head m_head;
    uint64_t m_total_trade_num;
    uint64_t m_total_quantity;
    uint64_t m_total_value;
    uint32_t m_last_price;
    uint32_t m_pre_close_price;
    uint32_t m_open_price;
    uint32_t m_day_high_price;
    uint32_t m_day_low_price;
    uint32_t m_today_close_price;
    char m_reserved[5];
};

/** Shenzhen order (SZE_LEV2_ORDER_MSG_TYPE). */
struct TRV_PACKED sze_dvs_order {
    sze_dvs_head m_head;
    uint32_t m_order_price;
    uint64_t m_order_quantity;
    char m_side_flag;
    char m_order_type;
    char m_reserved[15];
};

/** Shenzhen execution (SZE_LEV2_EXE_MSG_TYPE). */
struct TRV_PACKED sze_dvs_exe {
    sze_dvs_head m_head;
    int64_t m_trade_buy_num;
    int64_t m_trade_sell_num;
    uint32_t m_trade_price;
    int64_t m_trade_quantity;
    char m_trade_type;
};

/** Shenzhen order book (SZE_LEV2_TREE_MSG_TYPE). */
struct TRV_PACKED sze_dvs_tree {
    sze_dvs_head m_head;
    int64_t m_total_trade_num;
    uint64_t m_total_quantity;
    int64_t m_total_value;
    uint32_t m_pre_close_price;
    uint32_t m_last_price;
    uint32_t m_open_price;
    uint32_t m_day_high_price;
    uint32_t m_day_low_price;
    uint32_t m_today_close_price;
    uint32_t m_total_bid_weighted_avg_price;
    uint64_t m_total_bid_quantity;
    uint32_t m_total_ask_weighted_avg_price;
    uint64_t m_total_ask_quantity;
    uint32_t m_upper_limit_price;
    uint32_t m_low_limit_price;
    uint64_t m_market_open_total_bid;
    uint64_t m_market_open_total_ask;
    uint32_t m_bid_depth;
    uint32_t m_ask_depth;
    price_quantity_unit m_bid_unit[SZE_LEV2_DEPTH];
    price_quantity_unit m_ask_unit[SZE_LEV2_DEPTH];
    char m_ch_gap_flag;
    char m_reserved[4];
};

/**
 * Shenzhen IBR order book (SZE_LEV2_IBR_TREE_MSG_TYPE). Bid level 1 and ask
 * level 1 are the levels nearest to the market; the others follow by distance.
 */
struct TRV_PACKED sze_dvs_ibr_tree {
    sze_dvs_head m_head;
    uint32_t m_total_bid_weighted_avg_price;
    uint64_t m_total_bid_quantity;
    uint32_t m_total_ask_weighted_avg_price;
    uint64_t m_total_ask_quantity;
    uint32_t m_bid_depth;
    uint32_t m_ask_depth;
    price_quantity_unit m_bid_unit[SZE_IBR_DEPTH];
    price_quantity_unit m_ask_unit[SZE_IBR_DEPTH];
    char m_reserved[5];
};

/** Shenzhen turnover (SZE_LEV2_TURNOVER_MSG_TYPE). */
struct TRV_PACKED sze_dvs_turnover {
    sze_dvs_head m_head;
    uint8_t m_trading_status;
    int64_t m_pre_close_price;
    int64_t m_total_trade_num;
    uint64_t m_total_quantity;
    uint64_t m_total_value;
    uint32_t m_stock_num;
};

/** Shenzhen after-close trading (SZE_LEV2_AF_CLOSE_MSG_TYPE). */
struct TRV_PACKED sze_dvs_after_close {
    sze_dvs_head m_head;
    uint8_t m_trading_status;
    int64_t m_total_trade_num;
    uint64_t m_total_quantity;
    uint64_t m_total_value;
    uint32_t m_pre_close_price;
    uint32_t m_trade_price;
    uint64_t m_bid_quantity;
    uint64_t m_ask_quantity;
    char m_reserved[4];
};

/** Shenzhen bond snapshot (SZE_LEV2_BOND_SNAP_MSG_TYPE). */
struct TRV_PACKED sze_dvs_bond_snap {
    sze_dvs_head m_head;
    uint8_t m_trading_status;
    uint64_t m_total_trade_num;
    uint64_t m_total_quantity;
    uint64_t m_total_value;
    uint32_t m_pre_close_price;
    uint32_t m_last_price;
    uint32_t m_open_price;
    uint32_t m_day_high_price;
    uint32_t m_day_low_price;
    uint32_t m_today_close_price;
    uint32_t m_total_trade_weighted_avg_price;
    int32_t m_fluctuation_1;
    int32_t m_fluctuation_2;
    uint32_t m_total_bid_weighted_avg_price;
    uint64_t m_total_bid_quantity;
    uint32_t m_total_ask_weighted_avg_price;
    uint64_t m_total_ask_quantity;
    int32_t m_weighted_avg_price_BP;
    uint32_t m_weighted_avg_pre_close_price;
    uint32_t m_auction_trade_last_price;
    uint8_t m_reserved[4];
    uint64_t m_auction_volume_trade;
    uint64_t m_auction_value_trade;
    price_quantity_unit m_bid_unit[SZE_LEV2_DEPTH];
    price_quantity_unit m_ask_unit[SZE_LEV2_DEPTH];
};

/** Shenzhen bond order (SZE_LEV2_BOND_ORDER_MSG_TYPE). */
struct TRV_PACKED sze_dvs_bond_order {
    sze_dvs_head m_head;
    uint32_t m_price;
    uint64_t m_quantity;
    char m_side;
    char m_order_type;
    char m_reserved[15];
};

/** Shenzhen bond execution (SZE_LEV2_BOND_EXE_MSG_TYPE). */
struct TRV_PACKED sze_dvs_bond_exe {
    sze_dvs_head m_head;
    int64_t m_buy_num;
    int64_t m_sell_num;
    uint32_t m_price;
    int64_t m_quantity;
    char m_type;
};

/* ---- Shanghai records ---- */

/** Header of every Shanghai record; byte 8 is the message type. */
struct TRV_PACKED sse_dvs_head {
    uint32_t m_sequence;
    uint32_t m_reserved_1;
    uint8_t m_message_type;
    uint16_t m_message_len;
    uint8_t m_exchange_id;
    uint16_t m_quote_date_year;
    uint8_t m_quote_date_month;
    uint8_t m_quote_date_day;
    uint32_t m_send_time;
    uint8_t m_category_id;
    uint32_t m_msg_seq_id;
    uint8_t m_seq_lost_flag;
};

/** Shanghai feed heartbeat. */
struct TRV_PACKED sse_heartbeat {
    uint32_t m_sequence;
    uint32_t m_reserved_1;
    uint8_t m_message_type;
    uint8_t m_reserved_2[7];
};

/** Shanghai stock snapshot (SSE_LEV2_SNAP_MSG_TYPE). */
struct TRV_PACKED sse_dvs_lev2 {
    sse_dvs_head m_head;
    uint32_t m_quote_update_time;
    char m_symbol[SSE_SYMBOL_LEN];
    uint8_t m_security_type;
    uint8_t m_image_status;
    uint8_t m_reserved_1;
    uint32_t m_pre_close_price;
    uint32_t m_open_price;
    uint32_t m_day_high_price;
    uint32_t m_day_low_price;
    uint32_t m_last_price;
    uint32_t m_today_close_price;
    uint8_t m_instrument_status;
    uint8_t m_trading_status;
    uint16_t m_reserved_2;
    uint32_t m_total_trade_num;
    uint64_t m_total_quantity;
    uint64_t m_total_value;
    uint64_t m_total_bid_quantity;
    uint32_t m_total_bid_weighted_avg_price;
    uint64_t m_total_ask_quantity;
    uint32_t m_total_ask_weighted_avg_price;
    uint32_t m_iopv_high_precision;
    uint8_t m_bid_depth;
    uint8_t m_ask_depth;
    sse_lev2_price_quantity_unit m_bid_unit[SSE_LEV2_DEPTH];
    sse_lev2_price_quantity_unit m_ask_unit[SSE_LEV2_DEPTH];
};

/** Shanghai index (SSE_LEV2_IDX_MSG_TYPE). */
struct TRV_PACKED sse_dvs_idx {
    sse_dvs_head m_head;
    uint32_t m_quote_update_time;
    char m_symbol[SSE_SYMBOL_LEN];
    uint8_t m_security_type;
    uint32_t m_pre_close_price;
    uint32_t m_open_price;
    uint64_t m_total_value;
    uint32_t m_day_high_price;
    uint32_t m_day_low_price;
    uint32_t m_last_price;
    uint64_t m_total_quantity;
    uint32_t m_today_close_price;
};

/** Shanghai execution (SSE_LEV2_EXE_MSG_TYPE). */
struct TRV_PACKED sse_dvs_exe {
    sse_dvs_head m_head;
    uint32_t m_trade_index;
    uint32_t m_channel_num;
    char m_symbol[SSE_SYMBOL_LEN];
    uint32_t m_trade_time;
    uint32_t m_trade_price;
    uint64_t m_trade_quantity;
    uint64_t m_trade_value;
    uint64_t m_trade_buy_num;
    uint64_t m_trade_sell_num;
    char m_trade_bs_flag;
    uint64_t m_biz_index;
    uint8_t m_reserved[4];
};

/** Shanghai order (SSE_LEV2_ORDER_MSG_TYPE). */
struct TRV_PACKED sse_dvs_order {
    sse_dvs_head m_head;
    uint32_t m_order_index;
    uint32_t m_channel_num;
    char m_symbol[SSE_SYMBOL_LEN];
    uint32_t m_order_time;
    char m_order_type;
    uint64_t m_order_num;
    uint32_t m_order_price;
    uint64_t m_balance;
    uint8_t m_reserved_0[15];
    char m_side_flag;
    uint64_t m_biz_index;
    uint8_t m_reserved_1[4];
};

/** Shanghai order book (SSE_LEV2_TREE_MSG_TYPE). */
struct TRV_PACKED sse_dvs_tree {
    sse_dvs_head m_head;
    uint32_t m_channel_num;
    uint32_t m_quote_update_time;
    char m_symbol[SSE_SYMBOL_LEN];
    uint8_t m_security_type;
    uint64_t m_biz_index;
    uint32_t m_pre_close_price;
    uint32_t m_open_price;
    uint32_t m_day_high_price;
    uint32_t m_day_low_price;
    uint32_t m_last_price;
    uint32_t m_today_close_price;
    uint8_t m_instrument_status;
    uint8_t m_trading_status;
    uint8_t m_reserved_0[6];
    uint32_t m_total_trade_num;
    uint64_t m_total_quantity;
    uint64_t m_total_value;
    uint64_t m_total_bid_quantity;
    uint32_t m_total_bid_weighted_avg_price;
    uint64_t m_total_ask_quantity;
    int32_t m_total_ask_weighted_avg_price;
    int32_t m_yield_to_maturity;
    uint8_t m_bid_depth;
    uint8_t m_ask_depth;
    uint8_t m_reserved_1[2];
    sse_lev2_tree_price_quantity_unit m_bid_unit[SSE_LEV2_DEPTH];
    sse_lev2_tree_price_quantity_unit m_ask_unit[SSE_LEV2_DEPTH];
};

/** Shanghai option snapshot (SSE_LEV2_OPT_MSG_TYPE). */
struct TRV_PACKED sse_dvs_stock_option {
    sse_dvs_head m_head;
    uint32_t m_quote_update_time;
    uint8_t m_security_type;
    char m_symbol[SSE_SYMBOL_LEN];
    uint8_t m_image_status;
    uint8_t m_reserved_1;
    uint32_t m_pre_close_price;
    uint32_t m_pre_settle_price;
    uint32_t m_open_price;
    uint32_t m_day_high_price;
    uint32_t m_day_low_price;
    uint32_t m_last_price;
    uint32_t m_today_close_price;
    uint32_t m_today_settle_price;
    uint32_t m_dynamic_price;
    uint8_t m_reserved_2[3];
    uint8_t m_trading_status;
    uint64_t m_open_interest;
    uint32_t m_total_trade_num;
    uint64_t m_total_quantity;
    uint64_t m_total_value;
    uint8_t m_bid_depth;
    uint8_t m_ask_depth;
    sse_option_price_quantity_unit m_bid_unit[SSE_OPTION_DEPTH];
    sse_option_price_quantity_unit m_ask_unit[SSE_OPTION_DEPTH];
};

/** Shanghai bond snapshot (SSE_LEV2_BOND_SNAP_MSG_TYPE). */
struct TRV_PACKED sse_dvs_bond_snap {
    sse_dvs_head m_head;
    uint32_t m_quote_update_time;
    uint8_t m_reserved_0[4];
    char m_symbol[SSE_SYMBOL_LEN];
    uint8_t m_security_type;
    uint8_t m_sub_security_type;
    uint8_t m_reserved_1[3];
    uint32_t m_pre_close_price;
    uint32_t m_open_price;
    uint32_t m_day_high_price;
    uint32_t m_day_low_price;
    uint32_t m_last_price;
    uint32_t m_today_close_price;
    uint8_t m_instrument_status;
    uint8_t m_reserved_2[3];
    uint32_t m_total_trade_num;
    uint64_t m_total_quantity;
    uint64_t m_total_value;
    uint64_t m_total_bid_quantity;
    uint32_t m_total_bid_weighted_avg_price;
    uint64_t m_total_ask_quantity;
    uint32_t m_total_ask_weighted_avg_price;
    uint32_t m_withdraw_bid_num;
    uint64_t m_withdraw_bid_amount;
    uint64_t m_withdraw_bid_price;
    uint32_t m_withdraw_ask_num;
    uint64_t m_withdraw_ask_amount;
    uint64_t m_withdraw_ask_price;
    uint32_t m_total_bid_num;
    uint32_t m_total_ask_num;
    int32_t m_bid_trade_max_duration;
    int32_t m_ask_trade_max_duration;
    uint8_t m_bid_depth;
    uint8_t m_ask_depth;
    uint8_t m_reserved_3[6];
    sse_lev2_bond_price_quantity_unit m_bid_unit[SSE_LEV2_DEPTH];
    sse_lev2_bond_price_quantity_unit m_ask_unit[SSE_LEV2_DEPTH];
};

/** Shanghai bond tick (SSE_LEV2_BOND_TICK_MSG_TYPE). */
struct TRV_PACKED sse_dvs_bond_tick {
    sse_dvs_head m_head;
    uint32_t m_tick_index;
    uint32_t m_channel_num;
    char m_symbol[SSE_SYMBOL_LEN];
    uint8_t m_security_type;
    uint8_t m_sub_security_type;
    uint32_t m_tick_time;
    char m_tick_type;
    uint64_t m_buy_num;
    uint64_t m_sell_num;
    uint32_t m_price;
    uint64_t m_quantity;
    uint64_t m_trade_value;
    char m_side_flag;
    uint8_t m_instrument_status;
    uint8_t m_reserved[8];
};

/**
 * Shanghai merged order and trade tick (SSE_LEV2_TICK_MERGE_MSG_TYPE). It has
 * no header record: its message type is its own m_message_type at offset 8.
 */
struct TRV_PACKED sse_dvs_tick_merge {
    uint32_t m_sequence;
    uint32_t m_reserved_1;
    uint8_t m_message_type;
    uint64_t m_tick_index;
    uint16_t m_channel_num;
    uint16_t m_reserved_2;
    char m_symbol[SSE_SYMBOL_LEN];
    uint32_t m_tick_time;
    char m_tick_type;
    uint64_t m_buy_num;
    uint64_t m_sell_num;
    uint32_t m_price;
    uint64_t m_quantity;
    uint64_t m_trade_value;
    uint8_t m_side_flag;
};

/** Shanghai ETF creations and redemptions (SSE_LEV2_ETF_MSG_TYPE). */
struct TRV_PACKED sse_dvs_etf {
    sse_dvs_head m_head;
    uint32_t m_quote_update_time;
    char m_symbol[SSE_SYMBOL_LEN];
    uint8_t m_security_type;
    uint8_t m_sub_security_type;
    uint32_t m_buy_number;
    uint64_t m_buy_amount;
    uint64_t m_buy_money;
    uint32_t m_sell_number;
    uint64_t m_sell_amount;
    uint64_t m_sell_money;
    uint8_t m_reserved_0[15];
};

/** Shanghai bond order book (SSE_LEV2_BOND_TREE_MSG_TYPE). */
struct TRV_PACKED sse_dvs_bond_tree {
    sse_dvs_head m_head;
    uint32_t m_channel_num;
    uint32_t m_quote_update_time;
    char m_symbol[SSE_SYMBOL_LEN];
    uint8_t m_security_type;
    uint64_t m_tick_index;
    uint32_t m_pre_close_price;
    uint32_t m_open_price;
    uint32_t m_day_high_price;
    uint32_t m_day_low_price;
    uint32_t m_last_price;
    uint32_t m_today_close_price;
    uint8_t m_instrument_status;
    uint8_t m_reserved_0[7];
    uint32_t m_total_trade_num;
    uint64_t m_total_quantity;
    uint64_t m_total_value;
    uint64_t m_total_bid_quantity;
    uint32_t m_total_bid_weighted_avg_price;
    uint64_t m_total_ask_quantity;
    int32_t m_total_ask_weighted_avg_price;
    uint8_t m_reserved_1[4];
    uint8_t m_bid_depth;
    uint8_t m_ask_depth;
    uint8_t m_reserved_2[2];
    sse_lev2_tree_price_quantity_unit m_bid_unit[SSE_LEV2_DEPTH];
    sse_lev2_tree_price_quantity_unit m_ask_unit[SSE_LEV2_DEPTH];
};

/** Header of the Shanghai static-information message. */
struct TRV_PACKED sse_static_msg_header {
    uint32_t m_seq_num;
    uint8_t m_reserved[4];
    uint8_t m_msg_type;
    uint16_t m_msg_body_len;
    bool m_batch_finish_flag;
};

/** Body of the Shanghai static-information message. */
struct TRV_PACKED sse_static_msg_body {
    uint8_t m_exchange_id;
    char m_symbol[SSE_SYMBOL_LEN];
    uint32_t m_send_time;
    char m_static_file_date[DATE_LEN];
    char m_price_limit_type;
    double m_up_limit_price;
    double m_down_limit_price;
    uint64_t m_bid_qty_unit;
    uint64_t m_ask_qty_unit;
    uint64_t m_limit_upper_qty;
    uint64_t m_limit_lower_qty;
    double m_price_changge_unit;
    uint64_t m_market_upper_qty;
    uint64_t m_market_lower_qty;
    char m_security_name[SSE_SECURITY_NAME_LEN];
    uint8_t m_ssecurity_type;
    uint8_t m_sub_ssecurity_type;
    char m_finance_target_mark;
    char m_ssecurity_target_mark;
    char m_product_status[SSE_PRODUCT_STATUS_LEN];
    char m_listing_date[DATE_LEN];
};

/** Shanghai static-information message (SSE_LEV2_STATIC_INFO_MSG_TYPE). */
struct TRV_PACKED sse_static_msg {
    sse_static_msg_header m_header;
    sse_static_msg_body m_body;
};

#ifndef SWIG
static_assert(sizeof(price_quantity_unit) == 12, "price_quantity_unit size");
static_assert(offsetof(price_quantity_unit, m_price) == 0, "price_quantity_unit layout");
static_assert(offsetof(price_quantity_unit, m_quantity) == 4, "price_quantity_unit layout");
static_assert(sizeof(sse_lev2_price_quantity_unit) == 16, "sse_lev2_price_quantity_unit size");
static_assert(offsetof(sse_lev2_price_quantity_unit, m_reserved) == 0, "sse_lev2_price_quantity_unit layout");
static_assert(offsetof(sse_lev2_price_quantity_unit, m_price) == 4, "sse_lev2_price_quantity_unit layout");
static_assert(offsetof(sse_lev2_price_quantity_unit, m_quantity) == 8, "sse_lev2_price_quantity_unit layout");
static_assert(sizeof(sse_lev2_tree_price_quantity_unit) == 12, "sse_lev2_tree_price_quantity_unit size");
static_assert(offsetof(sse_lev2_tree_price_quantity_unit, m_price) == 0, "sse_lev2_tree_price_quantity_unit layout");
static_assert(offsetof(sse_lev2_tree_price_quantity_unit, m_quantity) == 4, "sse_lev2_tree_price_quantity_unit layout");
static_assert(sizeof(sse_option_price_quantity_unit) == 12, "sse_option_price_quantity_unit size");
static_assert(offsetof(sse_option_price_quantity_unit, m_price) == 0, "sse_option_price_quantity_unit layout");
static_assert(offsetof(sse_option_price_quantity_unit, m_quantity) == 4, "sse_option_price_quantity_unit layout");
static_assert(sizeof(sse_lev2_bond_price_quantity_unit) == 12, "sse_lev2_bond_price_quantity_unit size");
static_assert(offsetof(sse_lev2_bond_price_quantity_unit, m_price) == 0, "sse_lev2_bond_price_quantity_unit layout");
static_assert(offsetof(sse_lev2_bond_price_quantity_unit, m_quantity) == 4, "sse_lev2_bond_price_quantity_unit layout");
static_assert(sizeof(sze_dvs_head) == 43, "sze_dvs_head size");
static_assert(offsetof(sze_dvs_head, m_sequence) == 0, "sze_dvs_head layout");
static_assert(offsetof(sze_dvs_head, m_reserved_1) == 4, "sze_dvs_head layout");
static_assert(offsetof(sze_dvs_head, m_message_type) == 8, "sze_dvs_head layout");
static_assert(offsetof(sze_dvs_head, m_security_type) == 9, "sze_dvs_head layout");
static_assert(offsetof(sze_dvs_head, m_sub_security_type) == 10, "sze_dvs_head layout");
static_assert(offsetof(sze_dvs_head, m_symbol) == 11, "sze_dvs_head layout");
static_assert(offsetof(sze_dvs_head, m_exchange_id) == 20, "sze_dvs_head layout");
static_assert(offsetof(sze_dvs_head, m_quote_update_time) == 21, "sze_dvs_head layout");
static_assert(offsetof(sze_dvs_head, m_channel_num) == 29, "sze_dvs_head layout");
static_assert(offsetof(sze_dvs_head, m_sequence_num) == 31, "sze_dvs_head layout");
static_assert(offsetof(sze_dvs_head, m_md_stream_id) == 39, "sze_dvs_head layout");
static_assert(sizeof(sze_heartbeat) == 16, "sze_heartbeat size");
static_assert(offsetof(sze_heartbeat, m_sequence) == 0, "sze_heartbeat layout");
static_assert(offsetof(sze_heartbeat, m_reserved_1) == 4, "sze_heartbeat layout");
static_assert(offsetof(sze_heartbeat, m_message_type) == 8, "sze_heartbeat layout");
static_assert(offsetof(sze_heartbeat, m_reserved_2) == 9, "sze_heartbeat layout");
static_assert(sizeof(sze_dvs_lev2) == 376, "sze_dvs_lev2 size");
static_assert(offsetof(sze_dvs_lev2, m_head) == 0, "sze_dvs_lev2 layout");
static_assert(offsetof(sze_dvs_lev2, m_trading_status) == 43, "sze_dvs_lev2 layout");
static_assert(offsetof(sze_dvs_lev2, m_total_trade_num) == 44, "sze_dvs_lev2 layout");
static_assert(offsetof(sze_dvs_lev2, m_total_quantity) == 52, "sze_dvs_lev2 layout");
static_assert(offsetof(sze_dvs_lev2, m_total_value) == 60, "sze_dvs_lev2 layout");
static_assert(offsetof(sze_dvs_lev2, m_pre_close_price) == 68, "sze_dvs_lev2 layout");
static_assert(offsetof(sze_dvs_lev2, m_last_price) == 72, "sze_dvs_lev2 layout");
static_assert(offsetof(sze_dvs_lev2, m_open_price) == 76, "sze_dvs_lev2 layout");
static_assert(offsetof(sze_dvs_lev2, m_day_high_price) == 80, "sze_dvs_lev2 layout");
static_assert(offsetof(sze_dvs_lev2, m_day_low_price) == 84, "sze_dvs_lev2 layout");
static_assert(offsetof(sze_dvs_lev2, m_today_close_price) == 88, "sze_dvs_lev2 layout");
static_assert(offsetof(sze_dvs_lev2, m_total_bid_weighted_avg_price) == 92, "sze_dvs_lev2 layout");
static_assert(offsetof(sze_dvs_lev2, m_total_bid_quantity) == 96, "sze_dvs_lev2 layout");
static_assert(offsetof(sze_dvs_lev2, m_total_ask_weighted_avg_price) == 104, "sze_dvs_lev2 layout");
static_assert(offsetof(sze_dvs_lev2, m_total_ask_quantity) == 108, "sze_dvs_lev2 layout");
static_assert(offsetof(sze_dvs_lev2, m_lpv) == 116, "sze_dvs_lev2 layout");
static_assert(offsetof(sze_dvs_lev2, m_iopv) == 120, "sze_dvs_lev2 layout");
static_assert(offsetof(sze_dvs_lev2, m_upper_limit_price) == 124, "sze_dvs_lev2 layout");
static_assert(offsetof(sze_dvs_lev2, m_low_limit_price) == 128, "sze_dvs_lev2 layout");
static_assert(offsetof(sze_dvs_lev2, m_open_interest) == 132, "sze_dvs_lev2 layout");
static_assert(offsetof(sze_dvs_lev2, m_bid_unit) == 136, "sze_dvs_lev2 layout");
static_assert(offsetof(sze_dvs_lev2, m_ask_unit) == 256, "sze_dvs_lev2 layout");
static_assert(sizeof(sze_dvs_idx) == 96, "sze_dvs_idx size");
static_assert(offsetof(sze_dvs_idx, m_head) == 0, "sze_dvs_idx layout");
static_assert(offsetof(sze_dvs_idx, m_total_trade_num) == 43, "sze_dvs_idx layout");
static_assert(offsetof(sze_dvs_idx, m_total_quantity) == 51, "sze_dvs_idx layout");
static_assert(offsetof(sze_dvs_idx, m_total_value) == 59, "sze_dvs_idx layout");
static_assert(offsetof(sze_dvs_idx, m_last_price) == 67, "sze_dvs_idx layout");
static_assert(offsetof(sze_dvs_idx, m_pre_close_price) == 71, "sze_dvs_idx layout");
static_assert(offsetof(sze_dvs_idx, m_open_price) == 75, "sze_dvs_idx layout");
static_assert(offsetof(sze_dvs_idx, m_day_high_price) == 79, "sze_dvs_idx layout");
static_assert(offsetof(sze_dvs_idx, m_day_low_price) == 83, "sze_dvs_idx layout");
static_assert(offsetof(sze_dvs_idx, m_today_close_price) == 87, "sze_dvs_idx layout");
static_assert(offsetof(sze_dvs_idx, m_reserved) == 91, "sze_dvs_idx layout");
static_assert(sizeof(sze_dvs_order) == 72, "sze_dvs_order size");
static_assert(offsetof(sze_dvs_order, m_head) == 0, "sze_dvs_order layout");
static_assert(offsetof(sze_dvs_order, m_order_price) == 43, "sze_dvs_order layout");
static_assert(offsetof(sze_dvs_order, m_order_quantity) == 47, "sze_dvs_order layout");
static_assert(offsetof(sze_dvs_order, m_side_flag) == 55, "sze_dvs_order layout");
static_assert(offsetof(sze_dvs_order, m_order_type) == 56, "sze_dvs_order layout");
static_assert(offsetof(sze_dvs_order, m_reserved) == 57, "sze_dvs_order layout");
static_assert(sizeof(sze_dvs_exe) == 72, "sze_dvs_exe size");
static_assert(offsetof(sze_dvs_exe, m_head) == 0, "sze_dvs_exe layout");
static_assert(offsetof(sze_dvs_exe, m_trade_buy_num) == 43, "sze_dvs_exe layout");
static_assert(offsetof(sze_dvs_exe, m_trade_sell_num) == 51, "sze_dvs_exe layout");
static_assert(offsetof(sze_dvs_exe, m_trade_price) == 59, "sze_dvs_exe layout");
static_assert(offsetof(sze_dvs_exe, m_trade_quantity) == 63, "sze_dvs_exe layout");
static_assert(offsetof(sze_dvs_exe, m_trade_type) == 71, "sze_dvs_exe layout");
static_assert(sizeof(sze_dvs_tree) == 392, "sze_dvs_tree size");
static_assert(offsetof(sze_dvs_tree, m_head) == 0, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_total_trade_num) == 43, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_total_quantity) == 51, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_total_value) == 59, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_pre_close_price) == 67, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_last_price) == 71, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_open_price) == 75, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_day_high_price) == 79, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_day_low_price) == 83, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_today_close_price) == 87, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_total_bid_weighted_avg_price) == 91, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_total_bid_quantity) == 95, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_total_ask_weighted_avg_price) == 103, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_total_ask_quantity) == 107, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_upper_limit_price) == 115, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_low_limit_price) == 119, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_market_open_total_bid) == 123, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_market_open_total_ask) == 131, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_bid_depth) == 139, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_ask_depth) == 143, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_bid_unit) == 147, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_ask_unit) == 267, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_ch_gap_flag) == 387, "sze_dvs_tree layout");
static_assert(offsetof(sze_dvs_tree, m_reserved) == 388, "sze_dvs_tree layout");
static_assert(sizeof(sze_dvs_ibr_tree) == 200, "sze_dvs_ibr_tree size");
static_assert(offsetof(sze_dvs_ibr_tree, m_head) == 0, "sze_dvs_ibr_tree layout");
static_assert(offsetof(sze_dvs_ibr_tree, m_total_bid_weighted_avg_price) == 43, "sze_dvs_ibr_tree layout");
static_assert(offsetof(sze_dvs_ibr_tree, m_total_bid_quantity) == 47, "sze_dvs_ibr_tree layout");
static_assert(offsetof(sze_dvs_ibr_tree, m_total_ask_weighted_avg_price) == 55, "sze_dvs_ibr_tree layout");
static_assert(offsetof(sze_dvs_ibr_tree, m_total_ask_quantity) == 59, "sze_dvs_ibr_tree layout");
static_assert(offsetof(sze_dvs_ibr_tree, m_bid_depth) == 67, "sze_dvs_ibr_tree layout");
static_assert(offsetof(sze_dvs_ibr_tree, m_ask_depth) == 71, "sze_dvs_ibr_tree layout");
static_assert(offsetof(sze_dvs_ibr_tree, m_bid_unit) == 75, "sze_dvs_ibr_tree layout");
static_assert(offsetof(sze_dvs_ibr_tree, m_ask_unit) == 135, "sze_dvs_ibr_tree layout");
static_assert(offsetof(sze_dvs_ibr_tree, m_reserved) == 195, "sze_dvs_ibr_tree layout");
static_assert(sizeof(sze_dvs_turnover) == 80, "sze_dvs_turnover size");
static_assert(offsetof(sze_dvs_turnover, m_head) == 0, "sze_dvs_turnover layout");
static_assert(offsetof(sze_dvs_turnover, m_trading_status) == 43, "sze_dvs_turnover layout");
static_assert(offsetof(sze_dvs_turnover, m_pre_close_price) == 44, "sze_dvs_turnover layout");
static_assert(offsetof(sze_dvs_turnover, m_total_trade_num) == 52, "sze_dvs_turnover layout");
static_assert(offsetof(sze_dvs_turnover, m_total_quantity) == 60, "sze_dvs_turnover layout");
static_assert(offsetof(sze_dvs_turnover, m_total_value) == 68, "sze_dvs_turnover layout");
static_assert(offsetof(sze_dvs_turnover, m_stock_num) == 76, "sze_dvs_turnover layout");
static_assert(sizeof(sze_dvs_after_close) == 96, "sze_dvs_after_close size");
static_assert(offsetof(sze_dvs_after_close, m_head) == 0, "sze_dvs_after_close layout");
static_assert(offsetof(sze_dvs_after_close, m_trading_status) == 43, "sze_dvs_after_close layout");
static_assert(offsetof(sze_dvs_after_close, m_total_trade_num) == 44, "sze_dvs_after_close layout");
static_assert(offsetof(sze_dvs_after_close, m_total_quantity) == 52, "sze_dvs_after_close layout");
static_assert(offsetof(sze_dvs_after_close, m_total_value) == 60, "sze_dvs_after_close layout");
static_assert(offsetof(sze_dvs_after_close, m_pre_close_price) == 68, "sze_dvs_after_close layout");
static_assert(offsetof(sze_dvs_after_close, m_trade_price) == 72, "sze_dvs_after_close layout");
static_assert(offsetof(sze_dvs_after_close, m_bid_quantity) == 76, "sze_dvs_after_close layout");
static_assert(offsetof(sze_dvs_after_close, m_ask_quantity) == 84, "sze_dvs_after_close layout");
static_assert(offsetof(sze_dvs_after_close, m_reserved) == 92, "sze_dvs_after_close layout");
static_assert(sizeof(sze_dvs_bond_snap) == 400, "sze_dvs_bond_snap size");
static_assert(offsetof(sze_dvs_bond_snap, m_head) == 0, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_trading_status) == 43, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_total_trade_num) == 44, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_total_quantity) == 52, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_total_value) == 60, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_pre_close_price) == 68, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_last_price) == 72, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_open_price) == 76, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_day_high_price) == 80, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_day_low_price) == 84, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_today_close_price) == 88, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_total_trade_weighted_avg_price) == 92, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_fluctuation_1) == 96, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_fluctuation_2) == 100, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_total_bid_weighted_avg_price) == 104, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_total_bid_quantity) == 108, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_total_ask_weighted_avg_price) == 116, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_total_ask_quantity) == 120, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_weighted_avg_price_BP) == 128, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_weighted_avg_pre_close_price) == 132, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_auction_trade_last_price) == 136, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_reserved) == 140, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_auction_volume_trade) == 144, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_auction_value_trade) == 152, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_bid_unit) == 160, "sze_dvs_bond_snap layout");
static_assert(offsetof(sze_dvs_bond_snap, m_ask_unit) == 280, "sze_dvs_bond_snap layout");
static_assert(sizeof(sze_dvs_bond_order) == 72, "sze_dvs_bond_order size");
static_assert(offsetof(sze_dvs_bond_order, m_head) == 0, "sze_dvs_bond_order layout");
static_assert(offsetof(sze_dvs_bond_order, m_price) == 43, "sze_dvs_bond_order layout");
static_assert(offsetof(sze_dvs_bond_order, m_quantity) == 47, "sze_dvs_bond_order layout");
static_assert(offsetof(sze_dvs_bond_order, m_side) == 55, "sze_dvs_bond_order layout");
static_assert(offsetof(sze_dvs_bond_order, m_order_type) == 56, "sze_dvs_bond_order layout");
static_assert(offsetof(sze_dvs_bond_order, m_reserved) == 57, "sze_dvs_bond_order layout");
static_assert(sizeof(sze_dvs_bond_exe) == 72, "sze_dvs_bond_exe size");
static_assert(offsetof(sze_dvs_bond_exe, m_head) == 0, "sze_dvs_bond_exe layout");
static_assert(offsetof(sze_dvs_bond_exe, m_buy_num) == 43, "sze_dvs_bond_exe layout");
static_assert(offsetof(sze_dvs_bond_exe, m_sell_num) == 51, "sze_dvs_bond_exe layout");
static_assert(offsetof(sze_dvs_bond_exe, m_price) == 59, "sze_dvs_bond_exe layout");
static_assert(offsetof(sze_dvs_bond_exe, m_quantity) == 63, "sze_dvs_bond_exe layout");
static_assert(offsetof(sze_dvs_bond_exe, m_type) == 71, "sze_dvs_bond_exe layout");
static_assert(sizeof(sse_dvs_head) == 26, "sse_dvs_head size");
static_assert(offsetof(sse_dvs_head, m_sequence) == 0, "sse_dvs_head layout");
static_assert(offsetof(sse_dvs_head, m_reserved_1) == 4, "sse_dvs_head layout");
static_assert(offsetof(sse_dvs_head, m_message_type) == 8, "sse_dvs_head layout");
static_assert(offsetof(sse_dvs_head, m_message_len) == 9, "sse_dvs_head layout");
static_assert(offsetof(sse_dvs_head, m_exchange_id) == 11, "sse_dvs_head layout");
static_assert(offsetof(sse_dvs_head, m_quote_date_year) == 12, "sse_dvs_head layout");
static_assert(offsetof(sse_dvs_head, m_quote_date_month) == 14, "sse_dvs_head layout");
static_assert(offsetof(sse_dvs_head, m_quote_date_day) == 15, "sse_dvs_head layout");
static_assert(offsetof(sse_dvs_head, m_send_time) == 16, "sse_dvs_head layout");
static_assert(offsetof(sse_dvs_head, m_category_id) == 20, "sse_dvs_head layout");
static_assert(offsetof(sse_dvs_head, m_msg_seq_id) == 21, "sse_dvs_head layout");
static_assert(offsetof(sse_dvs_head, m_seq_lost_flag) == 25, "sse_dvs_head layout");
static_assert(sizeof(sse_heartbeat) == 16, "sse_heartbeat size");
static_assert(offsetof(sse_heartbeat, m_sequence) == 0, "sse_heartbeat layout");
static_assert(offsetof(sse_heartbeat, m_reserved_1) == 4, "sse_heartbeat layout");
static_assert(offsetof(sse_heartbeat, m_message_type) == 8, "sse_heartbeat layout");
static_assert(offsetof(sse_heartbeat, m_reserved_2) == 9, "sse_heartbeat layout");
static_assert(sizeof(sse_dvs_lev2) == 440, "sse_dvs_lev2 size");
static_assert(offsetof(sse_dvs_lev2, m_head) == 0, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_quote_update_time) == 26, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_symbol) == 30, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_security_type) == 39, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_image_status) == 40, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_reserved_1) == 41, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_pre_close_price) == 42, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_open_price) == 46, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_day_high_price) == 50, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_day_low_price) == 54, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_last_price) == 58, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_today_close_price) == 62, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_instrument_status) == 66, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_trading_status) == 67, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_reserved_2) == 68, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_total_trade_num) == 70, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_total_quantity) == 74, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_total_value) == 82, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_total_bid_quantity) == 90, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_total_bid_weighted_avg_price) == 98, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_total_ask_quantity) == 102, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_total_ask_weighted_avg_price) == 110, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_iopv_high_precision) == 114, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_bid_depth) == 118, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_ask_depth) == 119, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_bid_unit) == 120, "sse_dvs_lev2 layout");
static_assert(offsetof(sse_dvs_lev2, m_ask_unit) == 280, "sse_dvs_lev2 layout");
static_assert(sizeof(sse_dvs_idx) == 80, "sse_dvs_idx size");
static_assert(offsetof(sse_dvs_idx, m_head) == 0, "sse_dvs_idx layout");
static_assert(offsetof(sse_dvs_idx, m_quote_update_time) == 26, "sse_dvs_idx layout");
static_assert(offsetof(sse_dvs_idx, m_symbol) == 30, "sse_dvs_idx layout");
static_assert(offsetof(sse_dvs_idx, m_security_type) == 39, "sse_dvs_idx layout");
static_assert(offsetof(sse_dvs_idx, m_pre_close_price) == 40, "sse_dvs_idx layout");
static_assert(offsetof(sse_dvs_idx, m_open_price) == 44, "sse_dvs_idx layout");
static_assert(offsetof(sse_dvs_idx, m_total_value) == 48, "sse_dvs_idx layout");
static_assert(offsetof(sse_dvs_idx, m_day_high_price) == 56, "sse_dvs_idx layout");
static_assert(offsetof(sse_dvs_idx, m_day_low_price) == 60, "sse_dvs_idx layout");
static_assert(offsetof(sse_dvs_idx, m_last_price) == 64, "sse_dvs_idx layout");
static_assert(offsetof(sse_dvs_idx, m_total_quantity) == 68, "sse_dvs_idx layout");
static_assert(offsetof(sse_dvs_idx, m_today_close_price) == 76, "sse_dvs_idx layout");
static_assert(sizeof(sse_dvs_exe) == 96, "sse_dvs_exe size");
static_assert(offsetof(sse_dvs_exe, m_head) == 0, "sse_dvs_exe layout");
static_assert(offsetof(sse_dvs_exe, m_trade_index) == 26, "sse_dvs_exe layout");
static_assert(offsetof(sse_dvs_exe, m_channel_num) == 30, "sse_dvs_exe layout");
static_assert(offsetof(sse_dvs_exe, m_symbol) == 34, "sse_dvs_exe layout");
static_assert(offsetof(sse_dvs_exe, m_trade_time) == 43, "sse_dvs_exe layout");
static_assert(offsetof(sse_dvs_exe, m_trade_price) == 47, "sse_dvs_exe layout");
static_assert(offsetof(sse_dvs_exe, m_trade_quantity) == 51, "sse_dvs_exe layout");
static_assert(offsetof(sse_dvs_exe, m_trade_value) == 59, "sse_dvs_exe layout");
static_assert(offsetof(sse_dvs_exe, m_trade_buy_num) == 67, "sse_dvs_exe layout");
static_assert(offsetof(sse_dvs_exe, m_trade_sell_num) == 75, "sse_dvs_exe layout");
static_assert(offsetof(sse_dvs_exe, m_trade_bs_flag) == 83, "sse_dvs_exe layout");
static_assert(offsetof(sse_dvs_exe, m_biz_index) == 84, "sse_dvs_exe layout");
static_assert(offsetof(sse_dvs_exe, m_reserved) == 92, "sse_dvs_exe layout");
static_assert(sizeof(sse_dvs_order) == 96, "sse_dvs_order size");
static_assert(offsetof(sse_dvs_order, m_head) == 0, "sse_dvs_order layout");
static_assert(offsetof(sse_dvs_order, m_order_index) == 26, "sse_dvs_order layout");
static_assert(offsetof(sse_dvs_order, m_channel_num) == 30, "sse_dvs_order layout");
static_assert(offsetof(sse_dvs_order, m_symbol) == 34, "sse_dvs_order layout");
static_assert(offsetof(sse_dvs_order, m_order_time) == 43, "sse_dvs_order layout");
static_assert(offsetof(sse_dvs_order, m_order_type) == 47, "sse_dvs_order layout");
static_assert(offsetof(sse_dvs_order, m_order_num) == 48, "sse_dvs_order layout");
static_assert(offsetof(sse_dvs_order, m_order_price) == 56, "sse_dvs_order layout");
static_assert(offsetof(sse_dvs_order, m_balance) == 60, "sse_dvs_order layout");
static_assert(offsetof(sse_dvs_order, m_reserved_0) == 68, "sse_dvs_order layout");
static_assert(offsetof(sse_dvs_order, m_side_flag) == 83, "sse_dvs_order layout");
static_assert(offsetof(sse_dvs_order, m_biz_index) == 84, "sse_dvs_order layout");
static_assert(offsetof(sse_dvs_order, m_reserved_1) == 92, "sse_dvs_order layout");
static_assert(sizeof(sse_dvs_tree) == 376, "sse_dvs_tree size");
static_assert(offsetof(sse_dvs_tree, m_head) == 0, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_channel_num) == 26, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_quote_update_time) == 30, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_symbol) == 34, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_security_type) == 43, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_biz_index) == 44, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_pre_close_price) == 52, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_open_price) == 56, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_day_high_price) == 60, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_day_low_price) == 64, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_last_price) == 68, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_today_close_price) == 72, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_instrument_status) == 76, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_trading_status) == 77, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_reserved_0) == 78, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_total_trade_num) == 84, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_total_quantity) == 88, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_total_value) == 96, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_total_bid_quantity) == 104, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_total_bid_weighted_avg_price) == 112, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_total_ask_quantity) == 116, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_total_ask_weighted_avg_price) == 124, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_yield_to_maturity) == 128, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_bid_depth) == 132, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_ask_depth) == 133, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_reserved_1) == 134, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_bid_unit) == 136, "sse_dvs_tree layout");
static_assert(offsetof(sse_dvs_tree, m_ask_unit) == 256, "sse_dvs_tree layout");
static_assert(sizeof(sse_dvs_stock_option) == 232, "sse_dvs_stock_option size");
static_assert(offsetof(sse_dvs_stock_option, m_head) == 0, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_quote_update_time) == 26, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_security_type) == 30, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_symbol) == 31, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_image_status) == 40, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_reserved_1) == 41, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_pre_close_price) == 42, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_pre_settle_price) == 46, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_open_price) == 50, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_day_high_price) == 54, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_day_low_price) == 58, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_last_price) == 62, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_today_close_price) == 66, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_today_settle_price) == 70, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_dynamic_price) == 74, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_reserved_2) == 78, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_trading_status) == 81, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_open_interest) == 82, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_total_trade_num) == 90, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_total_quantity) == 94, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_total_value) == 102, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_bid_depth) == 110, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_ask_depth) == 111, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_bid_unit) == 112, "sse_dvs_stock_option layout");
static_assert(offsetof(sse_dvs_stock_option, m_ask_unit) == 172, "sse_dvs_stock_option layout");
static_assert(sizeof(sse_dvs_bond_snap) == 424, "sse_dvs_bond_snap size");
static_assert(offsetof(sse_dvs_bond_snap, m_head) == 0, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_quote_update_time) == 26, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_reserved_0) == 30, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_symbol) == 34, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_security_type) == 43, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_sub_security_type) == 44, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_reserved_1) == 45, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_pre_close_price) == 48, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_open_price) == 52, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_day_high_price) == 56, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_day_low_price) == 60, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_last_price) == 64, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_today_close_price) == 68, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_instrument_status) == 72, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_reserved_2) == 73, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_total_trade_num) == 76, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_total_quantity) == 80, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_total_value) == 88, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_total_bid_quantity) == 96, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_total_bid_weighted_avg_price) == 104, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_total_ask_quantity) == 108, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_total_ask_weighted_avg_price) == 116, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_withdraw_bid_num) == 120, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_withdraw_bid_amount) == 124, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_withdraw_bid_price) == 132, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_withdraw_ask_num) == 140, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_withdraw_ask_amount) == 144, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_withdraw_ask_price) == 152, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_total_bid_num) == 160, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_total_ask_num) == 164, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_bid_trade_max_duration) == 168, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_ask_trade_max_duration) == 172, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_bid_depth) == 176, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_ask_depth) == 177, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_reserved_3) == 178, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_bid_unit) == 184, "sse_dvs_bond_snap layout");
static_assert(offsetof(sse_dvs_bond_snap, m_ask_unit) == 304, "sse_dvs_bond_snap layout");
static_assert(sizeof(sse_dvs_bond_tick) == 96, "sse_dvs_bond_tick size");
static_assert(offsetof(sse_dvs_bond_tick, m_head) == 0, "sse_dvs_bond_tick layout");
static_assert(offsetof(sse_dvs_bond_tick, m_tick_index) == 26, "sse_dvs_bond_tick layout");
static_assert(offsetof(sse_dvs_bond_tick, m_channel_num) == 30, "sse_dvs_bond_tick layout");
static_assert(offsetof(sse_dvs_bond_tick, m_symbol) == 34, "sse_dvs_bond_tick layout");
static_assert(offsetof(sse_dvs_bond_tick, m_security_type) == 43, "sse_dvs_bond_tick layout");
static_assert(offsetof(sse_dvs_bond_tick, m_sub_security_type) == 44, "sse_dvs_bond_tick layout");
static_assert(offsetof(sse_dvs_bond_tick, m_tick_time) == 45, "sse_dvs_bond_tick layout");
static_assert(offsetof(sse_dvs_bond_tick, m_tick_type) == 49, "sse_dvs_bond_tick layout");
static_assert(offsetof(sse_dvs_bond_tick, m_buy_num) == 50, "sse_dvs_bond_tick layout");
static_assert(offsetof(sse_dvs_bond_tick, m_sell_num) == 58, "sse_dvs_bond_tick layout");
static_assert(offsetof(sse_dvs_bond_tick, m_price) == 66, "sse_dvs_bond_tick layout");
static_assert(offsetof(sse_dvs_bond_tick, m_quantity) == 70, "sse_dvs_bond_tick layout");
static_assert(offsetof(sse_dvs_bond_tick, m_trade_value) == 78, "sse_dvs_bond_tick layout");
static_assert(offsetof(sse_dvs_bond_tick, m_side_flag) == 86, "sse_dvs_bond_tick layout");
static_assert(offsetof(sse_dvs_bond_tick, m_instrument_status) == 87, "sse_dvs_bond_tick layout");
static_assert(offsetof(sse_dvs_bond_tick, m_reserved) == 88, "sse_dvs_bond_tick layout");
static_assert(sizeof(sse_dvs_tick_merge) == 72, "sse_dvs_tick_merge size");
static_assert(offsetof(sse_dvs_tick_merge, m_sequence) == 0, "sse_dvs_tick_merge layout");
static_assert(offsetof(sse_dvs_tick_merge, m_reserved_1) == 4, "sse_dvs_tick_merge layout");
static_assert(offsetof(sse_dvs_tick_merge, m_message_type) == 8, "sse_dvs_tick_merge layout");
static_assert(offsetof(sse_dvs_tick_merge, m_tick_index) == 9, "sse_dvs_tick_merge layout");
static_assert(offsetof(sse_dvs_tick_merge, m_channel_num) == 17, "sse_dvs_tick_merge layout");
static_assert(offsetof(sse_dvs_tick_merge, m_reserved_2) == 19, "sse_dvs_tick_merge layout");
static_assert(offsetof(sse_dvs_tick_merge, m_symbol) == 21, "sse_dvs_tick_merge layout");
static_assert(offsetof(sse_dvs_tick_merge, m_tick_time) == 30, "sse_dvs_tick_merge layout");
static_assert(offsetof(sse_dvs_tick_merge, m_tick_type) == 34, "sse_dvs_tick_merge layout");
static_assert(offsetof(sse_dvs_tick_merge, m_buy_num) == 35, "sse_dvs_tick_merge layout");
static_assert(offsetof(sse_dvs_tick_merge, m_sell_num) == 43, "sse_dvs_tick_merge layout");
static_assert(offsetof(sse_dvs_tick_merge, m_price) == 51, "sse_dvs_tick_merge layout");
static_assert(offsetof(sse_dvs_tick_merge, m_quantity) == 55, "sse_dvs_tick_merge layout");
static_assert(offsetof(sse_dvs_tick_merge, m_trade_value) == 63, "sse_dvs_tick_merge layout");
static_assert(offsetof(sse_dvs_tick_merge, m_side_flag) == 71, "sse_dvs_tick_merge layout");
static_assert(sizeof(sse_dvs_etf) == 96, "sse_dvs_etf size");
static_assert(offsetof(sse_dvs_etf, m_head) == 0, "sse_dvs_etf layout");
static_assert(offsetof(sse_dvs_etf, m_quote_update_time) == 26, "sse_dvs_etf layout");
static_assert(offsetof(sse_dvs_etf, m_symbol) == 30, "sse_dvs_etf layout");
static_assert(offsetof(sse_dvs_etf, m_security_type) == 39, "sse_dvs_etf layout");
static_assert(offsetof(sse_dvs_etf, m_sub_security_type) == 40, "sse_dvs_etf layout");
static_assert(offsetof(sse_dvs_etf, m_buy_number) == 41, "sse_dvs_etf layout");
static_assert(offsetof(sse_dvs_etf, m_buy_amount) == 45, "sse_dvs_etf layout");
static_assert(offsetof(sse_dvs_etf, m_buy_money) == 53, "sse_dvs_etf layout");
static_assert(offsetof(sse_dvs_etf, m_sell_number) == 61, "sse_dvs_etf layout");
static_assert(offsetof(sse_dvs_etf, m_sell_amount) == 65, "sse_dvs_etf layout");
static_assert(offsetof(sse_dvs_etf, m_sell_money) == 73, "sse_dvs_etf layout");
static_assert(offsetof(sse_dvs_etf, m_reserved_0) == 81, "sse_dvs_etf layout");
static_assert(sizeof(sse_dvs_bond_tree) == 376, "sse_dvs_bond_tree size");
static_assert(offsetof(sse_dvs_bond_tree, m_head) == 0, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_channel_num) == 26, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_quote_update_time) == 30, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_symbol) == 34, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_security_type) == 43, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_tick_index) == 44, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_pre_close_price) == 52, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_open_price) == 56, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_day_high_price) == 60, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_day_low_price) == 64, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_last_price) == 68, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_today_close_price) == 72, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_instrument_status) == 76, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_reserved_0) == 77, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_total_trade_num) == 84, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_total_quantity) == 88, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_total_value) == 96, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_total_bid_quantity) == 104, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_total_bid_weighted_avg_price) == 112, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_total_ask_quantity) == 116, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_total_ask_weighted_avg_price) == 124, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_reserved_1) == 128, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_bid_depth) == 132, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_ask_depth) == 133, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_reserved_2) == 134, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_bid_unit) == 136, "sse_dvs_bond_tree layout");
static_assert(offsetof(sse_dvs_bond_tree, m_ask_unit) == 256, "sse_dvs_bond_tree layout");
static_assert(sizeof(sse_static_msg_header) == 12, "sse_static_msg_header size");
static_assert(offsetof(sse_static_msg_header, m_seq_num) == 0, "sse_static_msg_header layout");
static_assert(offsetof(sse_static_msg_header, m_reserved) == 4, "sse_static_msg_header layout");
static_assert(offsetof(sse_static_msg_header, m_msg_type) == 8, "sse_static_msg_header layout");
static_assert(offsetof(sse_static_msg_header, m_msg_body_len) == 9, "sse_static_msg_header layout");
static_assert(offsetof(sse_static_msg_header, m_batch_finish_flag) == 11, "sse_static_msg_header layout");
static_assert(sizeof(sse_static_msg_body) == 139, "sse_static_msg_body size");
static_assert(offsetof(sse_static_msg_body, m_exchange_id) == 0, "sse_static_msg_body layout");
static_assert(offsetof(sse_static_msg_body, m_symbol) == 1, "sse_static_msg_body layout");
static_assert(offsetof(sse_static_msg_body, m_send_time) == 10, "sse_static_msg_body layout");
static_assert(offsetof(sse_static_msg_body, m_static_file_date) == 14, "sse_static_msg_body layout");
static_assert(offsetof(sse_static_msg_body, m_price_limit_type) == 23, "sse_static_msg_body layout");
static_assert(offsetof(sse_static_msg_body, m_up_limit_price) == 24, "sse_static_msg_body layout");
static_assert(offsetof(sse_static_msg_body, m_down_limit_price) == 32, "sse_static_msg_body layout");
static_assert(offsetof(sse_static_msg_body, m_bid_qty_unit) == 40, "sse_static_msg_body layout");
static_assert(offsetof(sse_static_msg_body, m_ask_qty_unit) == 48, "sse_static_msg_body layout");
static_assert(offsetof(sse_static_msg_body, m_limit_upper_qty) == 56, "sse_static_msg_body layout");
static_assert(offsetof(sse_static_msg_body, m_limit_lower_qty) == 64, "sse_static_msg_body layout");
static_assert(offsetof(sse_static_msg_body, m_price_changge_unit) == 72, "sse_static_msg_body layout");
static_assert(offsetof(sse_static_msg_body, m_market_upper_qty) == 80, "sse_static_msg_body layout");
static_assert(offsetof(sse_static_msg_body, m_market_lower_qty) == 88, "sse_static_msg_body layout");
static_assert(offsetof(sse_static_msg_body, m_security_name) == 96, "sse_static_msg_body layout");
static_assert(offsetof(sse_static_msg_body, m_ssecurity_type) == 105, "sse_static_msg_body layout");
static_assert(offsetof(sse_static_msg_body, m_sub_ssecurity_type) == 106, "sse_static_msg_body layout");
static_assert(offsetof(sse_static_msg_body, m_finance_target_mark) == 107, "sse_static_msg_body layout");
static_assert(offsetof(sse_static_msg_body, m_ssecurity_target_mark) == 108, "sse_static_msg_body layout");
static_assert(offsetof(sse_static_msg_body, m_product_status) == 109, "sse_static_msg_body layout");
static_assert(offsetof(sse_static_msg_body, m_listing_date) == 130, "sse_static_msg_body layout");
static_assert(sizeof(sse_static_msg) == 151, "sse_static_msg size");
static_assert(offsetof(sse_static_msg, m_header) == 0, "sse_static_msg layout");
static_assert(offsetof(sse_static_msg, m_body) == 12, "sse_static_msg layout");
#endif

namespace nq {

/* ---- Level-1 records: the payload of TRV_SSE_L1 and TRV_SZSE_L1 and the level-1 query answers ---- */

/** Shanghai level-1 index (SSE_L1_INDEX). */
struct TRV_PACKED trv_sse_l1_index_t {
    /** 1 stocks, funds, indices and bond distribution; 2 derivatives; 3 comprehensive business; 12 bonds */
    uint8_t security_type;
    /** Exchange sending time, YYYYMMDDHHmmSSsss */
    uint64_t sending_time;
    /** Trading session mode: 1 system test, 2 simulated trading, 3 production */
    uint8_t trad_ses_mode;
    /** Trade date, YYYYMMDD */
    uint32_t trade_date;
    /** Last update time, HHMMSSsss */
    uint32_t last_update_time;
    /** Market-data category such as MD001, zero-terminated */
    char md_stream_id[6];
    /** Security code, zero-terminated */
    char security_code[CONST_STR_SECURITY_CODE_LEN];
    /** Previous close, x 100000 */
    uint64_t prev_close_px;
    /** Traded quantity */
    uint64_t total_volume_traded;
    /** Number of trades */
    uint64_t num_trades;
    /** Traded value, x 100 */
    uint64_t total_value_traded;
    /** Trading phase and flags, zero-terminated */
    char trading_phase_code[9];
    /** Last index, x 100000 */
    uint64_t last_px;
    /** Opening index, x 100000 */
    uint64_t open_px;
    /** Closing index, x 100000 */
    uint64_t close_px;
    /** Highest index, x 100000 */
    uint64_t high_px;
    /** Lowest index, x 100000 */
    uint64_t low_px;
};

/** Shanghai level-1 snapshot (SSE_L1_SNAPSHOT). */
struct TRV_PACKED trv_sse_l1_snapshot_t {
    /** 1 stocks, funds, indices and bond distribution; 2 derivatives; 3 comprehensive business; 12 bonds; 14 external quote source */
    uint8_t security_type;
    /** Exchange sending time, YYYYMMDDHHmmSSsss */
    uint64_t sending_time;
    /** Trading session mode */
    uint8_t trad_ses_mode;
    /** Trade date, YYYYMMDD */
    uint32_t trade_date;
    /** Last update time, HHMMSSsss */
    uint32_t last_update_time;
    /** Market-data category, zero-terminated (for MDE01 only iopv is meaningful) */
    char md_stream_id[6];
    /** Security code, zero-terminated */
    char security_code[CONST_STR_SECURITY_CODE_LEN];
    /** Previous close, x 100000 */
    uint64_t prev_close_px;
    /** Traded quantity */
    uint64_t total_volume_traded;
    /** Number of trades */
    uint64_t num_trades;
    /** Traded value, x 100 */
    uint64_t total_value_traded;
    /** Trading phase and flags, zero-terminated */
    char trading_phase_code[9];
    /** Last price, x 100000 */
    uint64_t last_px;
    /** Opening price, x 100000 */
    uint64_t open_px;
    /** Closing price, x 100000 */
    uint64_t close_px;
    /** Settlement price of the day, x 100000 */
    uint64_t settle_px;
    /** Highest price, x 100000 */
    uint64_t high_px;
    /** Lowest price, x 100000 */
    uint64_t low_px;
    /** IOPV, x 100000 (only for MDE01) */
    uint64_t iopv;
    /** IOPV of the previous day, x 100000 (only for MD004) */
    uint64_t pre_iopv;
    /** Dynamic reference price of an option, x 100000 */
    uint64_t option_ref_px;
    /** Virtual matched quantity of an option */
    uint64_t option_notional_amount;
    /** Previous settlement price, x 100000 */
    uint64_t pre_settle_px;
    /** Open interest of an option */
    uint64_t option_open_qty;
    /** Bid prices, 5 levels, x 100000 */
    uint64_t bid_px[5];
    /** Bid quantities, 5 levels */
    uint64_t bid_volume[5];
    /** Offer prices, 5 levels, x 100000 */
    uint64_t offer_px[5];
    /** Offer quantities, 5 levels */
    uint64_t offer_volume[5];
};

/** Shenzhen level-1 index (SZSE_L1_INDEX). */
struct TRV_PACKED trv_szse_l1_index_t {
    /** Channel */
    uint16_t channel_no;
    /** Data generation time, YYYYMMDDHHMMSSsss */
    int64_t orig_time;
    /** Market-data category code (for example "900" index), zero-terminated */
    char md_stream_id[4];
    /** Security code, zero-terminated */
    char security_code[CONST_STR_SECURITY_CODE_LEN];
    /** Code source (for example "102" Shenzhen), zero-terminated */
    char security_id_source[5];
    /** Trading phase code, zero-terminated */
    char trading_phase_code[9];
    /** Previous close, x 10000 */
    int64_t prev_close_px;
    /** Number of trades */
    int64_t num_trades;
    /** Total traded quantity, x 100 */
    int64_t total_volume_trade;
    /** Total traded value, x 10000 */
    int64_t total_value_trade;
    /** Current index, x 1000000 */
    int64_t last_index;
    /** Previous closing index, x 1000000 */
    int64_t prev_close_index;
    /** Opening index, x 1000000 */
    int64_t open_index;
    /** Highest index, x 1000000 */
    int64_t high_index;
    /** Lowest index, x 1000000 */
    int64_t low_index;
    /** Closing index, x 1000000 */
    int64_t close_index;
};

/** Shenzhen level-1 snapshot (SZSE_L1_SNAPSHOT). */
struct TRV_PACKED trv_szse_l1_snapshot_t {
    /** Channel */
    uint16_t channel_no;
    /** Data generation time, YYYYMMDDHHMMSSsss */
    int64_t orig_time;
    /** Market-data category code (for example "010" stocks, "040" options), zero-terminated */
    char md_stream_id[4];
    /** Security code, zero-terminated */
    char security_code[CONST_STR_SECURITY_CODE_LEN];
    /** Code source (for example "102" Shenzhen), zero-terminated */
    char security_id_source[5];
    /** Trading phase code, zero-terminated */
    char trading_phase_code[9];
    /** Previous close, x 10000 */
    int64_t prev_close_px;
    /** Number of trades */
    int64_t num_trades;
    /** Total traded quantity, x 100 */
    int64_t total_volume_trade;
    /** Total traded value, x 10000 */
    int64_t total_value_trade;
    /** Last price, x 1000000 */
    int64_t last_px;
    /** Opening price, x 1000000 */
    int64_t open_px;
    /** Highest price, x 1000000 */
    int64_t high_px;
    /** Lowest price, x 1000000 */
    int64_t low_px;
    /** Change 1 (last price minus previous close), x 1000000 */
    int64_t px_gain;
    /** Change 2 (last price minus the price before it), x 1000000 */
    int64_t px_gain_2;
    /** Quantity-weighted average bid price, x 1000000 */
    int64_t weighted_avg_bid_px;
    /** Total bid quantity, x 100 */
    int64_t total_bid_qty;
    /** Quantity-weighted average offer price, x 1000000 */
    int64_t weighted_avg_offer_px;
    /** Total offer quantity, x 100 */
    int64_t total_offer_qty;
    /** Price-earnings ratio 1, x 1000000 */
    int64_t pe_ratio_1;
    /** Price-earnings ratio 2, x 1000000 */
    int64_t pe_ratio_2;
    /** Fund net asset value of T-1 (T-x for some funds investing abroad), x 1000000; funds only */
    int64_t nav;
    /** Real-time reference net value of a fund (IOPV of an ETF), x 1000000; funds only */
    int64_t iopv;
    /** Warrant premium rate, x 1000000 */
    int64_t warrant_premium;
    /** Limit-up price, x 1000000; 999999999.9999 means no limit-up */
    int64_t limit_up_px;
    /** Limit-down price, x 1000000; -999999999.9999 (securities whose price may be negative) or the price tick, for example 0.01 for stocks, means no limit-down */
    int64_t limit_down_px;
    /** Open interest of an option contract, x 100 */
    int64_t option_open_qty;
    /** Circuit-breaker reference price of option call auctions, x 1000000 */
    int64_t option_break_px;
    /** ETF creation quantity, x 100 */
    int64_t etf_buy_amount;
    /** Number of ETF creations */
    int64_t etf_buy_number;
    /** ETF redemption quantity, x 100 */
    int64_t etf_sell_amount;
    /** Number of ETF redemptions */
    int64_t etf_sell_number;
    /** Bid prices, 5 levels, x 1000000 */
    int64_t bid_px[5];
    /** Bid quantities, 5 levels, x 100 */
    int64_t bid_volume[5];
    /** Offer prices, 5 levels, x 1000000 */
    int64_t offer_px[5];
    /** Offer quantities, 5 levels, x 100 */
    int64_t offer_volume[5];
};

/** Shenzhen level-1 bond snapshot (SZSE_L1_BOND_SNAPSHOT). */
struct TRV_PACKED trv_szse_l1_snapshot_bond_t {
    /** Channel */
    uint16_t channel_no;
    /** Data generation time, YYYYMMDDHHMMSSsss */
    int64_t orig_time;
    /** Market-data category code (for example "020" pledge-repo matching snapshot), zero-terminated */
    char md_stream_id[4];
    /** Security code, zero-terminated */
    char security_code[CONST_STR_SECURITY_CODE_LEN];
    /** Code source (for example "102" Shenzhen), zero-terminated */
    char security_id_source[5];
    /** Trading phase code, zero-terminated */
    char trading_phase_code[9];
    /** Previous close, x 10000 */
    int64_t prev_close_px;
    /** Number of trades */
    int64_t num_trades;
    /** Total traded quantity, x 100 */
    int64_t total_volume_trade;
    /** Total traded value, x 10000 */
    int64_t total_value_trade;
    /** Last price, x 1000000 */
    int64_t last_px;
    /** Opening price, x 1000000 */
    int64_t open_px;
    /** Closing price, x 1000000; absent before the close; after the close the closing price, or the previous close when nothing traded */
    int64_t close_px;
    /** Highest price, x 1000000 */
    int64_t high_px;
    /** Lowest price, x 1000000 */
    int64_t low_px;
    /** Trade method of the last price, x 100, for categories "410" (cash bonds) and "020" (pledge repo): 0.01 matching, 0.02 negotiated, 0.03 click, 0.04 inquiry, 0.05 bidding */
    int64_t last_px_type;
    /** Weighted average price (repo: volume-weighted average rate, 5 decimals), x 1000000 */
    int64_t weighted_avg_px;
    /** Change 1 (last price minus previous close), x 1000000 */
    int64_t px_gain;
    /** Change 2 (last price minus the price before it), x 1000000 */
    int64_t px_gain_2;
    /** Quantity-weighted average bid price, x 1000000 */
    int64_t weighted_avg_bid_px;
    /** Total bid quantity, x 100 */
    int64_t total_bid_qty;
    /** Quantity-weighted average offer price, x 1000000 */
    int64_t weighted_avg_offer_px;
    /** Total offer quantity, x 100 */
    int64_t total_offer_qty;
    /** Change of the weighted average rate in basis points, x 1000000 */
    int64_t weighted_avg_ir_gain;
    /** Previous closing volume-weighted average repo rate, x 1000000 */
    int64_t weighted_avg_prev_ir;
    /** Last price of matching trades, x 1000000 */
    int64_t match_last_px;
    /** Matching traded quantity, x 100 */
    int64_t auction_volume_trade;
    /** Matching traded value, x 10000 */
    int64_t auction_value_trade;
    /** Trading phase code per trade method, 6 texts of 9 characters, zero-terminated; methods 1 matching, 2 negotiated, 3 click, 4 inquiry, 5 bidding */
    char sub_trading_phase_code[6][9];
    /** Bid prices, 5 levels, x 1000000 */
    int64_t bid_px[5];
    /** Bid quantities, 5 levels, x 100 */
    int64_t bid_volume[5];
    /** Offer prices, 5 levels, x 1000000 */
    int64_t offer_px[5];
    /** Offer quantities, 5 levels, x 100 */
    int64_t offer_volume[5];
};

/** One level-1 record by value; the member is chosen by the record type. */
union TRV_PACKED trv_l1_quote_union_t {
    trv_sse_l1_index_t sse_l1_index;
    trv_sse_l1_snapshot_t sse_l1_snapshot;
    trv_szse_l1_index_t szse_l1_index;
    trv_szse_l1_snapshot_t szse_l1_snapshot;
    trv_szse_l1_snapshot_bond_t szse_l1_snapshot_bond;
};

/** Element of the level-1 query answers. */
struct TRV_PACKED trv_level1_quote_t {
    /** Record type: selects the member of l1_quote. */
    QuoteMsgType quoteMsgType;
    /** The level-1 record. */
    trv_l1_quote_union_t l1_quote;
};

/* ---- Level-2 tick records: the rows of the rebuild-tick answer ---- */

/** Shanghai level-2 tick (SSE_L2_TICK). */
struct TRV_PACKED trv_sse_l2_tick_t {
    /** Tick sequence, from 1, continuous per channel */
    int64_t biz_index;
    /** Channel */
    int32_t channel;
    /** Security code, zero-terminated */
    char security_code[CONST_STR_SECURITY_CODE_LEN];
    /** Order or trade time in hundredths of a second (14302506 is 14:30:25.06) */
    int32_t tick_time;
    /** A new order, D deleted order, S product status, T trade */
    char tick_type;
    /** Buy order number (meaningless for status records and sell orders) */
    int64_t buy_order_no;
    /** Sell order number (meaningless for status records and buy orders) */
    int64_t sell_order_no;
    /** Price in yuan, x 1000 (meaningless for status and deleted orders) */
    int32_t price;
    /** Quantity, x 1000 (meaningless for status records) */
    int64_t qty;
    /** New order: quantity already traded (3 decimals); trade: traded value in yuan (5 decimals); x 100000 */
    int64_t trade_money;
    /** Orders: B buy, S sell; status: START, OCALL, TRADE, SUSP, CCALL, CLOSE, ENDTR; trades: B active buy, S active sell, N unknown */
    char tick_bs_flag[8];
};

/** Shanghai level-2 bond tick (SSE_L2_BOND_TICK). */
struct TRV_PACKED trv_sse_l2_bond_tick_t {
    /** Tick sequence, from 1, continuous per channel */
    int64_t tick_index;
    /** Channel */
    int32_t channel;
    /** Security code, zero-terminated */
    char security_code[CONST_STR_SECURITY_CODE_LEN];
    /** Order or trade time in milliseconds (143025006 is 14:30:25.006) */
    int32_t tick_time;
    /** A new order, D deleted order, S product status, T trade */
    char tick_type;
    /** Buy order number (meaningless for status records and sell orders) */
    int64_t buy_order_no;
    /** Sell order number (meaningless for status records and buy orders) */
    int64_t sell_order_no;
    /** Price in yuan, x 1000 (meaningless for status and deleted orders) */
    int32_t price;
    /** Quantity in thousands of yuan face value, x 1000 (meaningless for status records) */
    int64_t qty;
    /** Traded value in yuan, x 100000 (trades only) */
    int64_t trade_money;
    /** Orders (A, D): B buy, S sell; status (S): ADD not yet listed, START, OCALL, TRADE, SUSP, CLOSE, ENDTR; trades (T): B active buy, S active sell, N unknown */
    char tick_bs_flag[8];
};

/** Shenzhen level-2 order (SZSE_L2_ORDER). */
struct TRV_PACKED trv_szse_l2_order_t {
    /** Channel */
    int16_t channel_no;
    /** Record number, from 1 */
    int64_t appl_seq_num;
    /** Market-data category code (for example "010" stocks, "040" options), zero-terminated */
    char md_stream_id[4];
    /** Security code, zero-terminated */
    char security_code[CONST_STR_SECURITY_CODE_LEN];
    /** Code source (for example "102" Shenzhen), zero-terminated */
    char security_source[5];
    /** Price, x 10000 */
    int64_t price;
    /** Quantity, x 100 */
    int64_t qty;
    /** 1 buy, 2 sell, G borrow, F lend */
    char side;
    /** Order time, YYYYMMDDHHMMSSsss */
    int64_t transact_time;
    /** 1 market, 2 limit, U own best */
    char ord_type;
};

/** Shenzhen level-2 trade (SZSE_L2_TRADE). */
struct TRV_PACKED trv_szse_l2_trade_t {
    /** Channel */
    int16_t channel_no;
    /** Record number, from 1 */
    int64_t appl_seq_num;
    /** Market-data category code, zero-terminated */
    char md_stream_id[4];
    /** Record number of the buy order, from 1 */
    int64_t bid_appl_seq_num;
    /** Record number of the sell order, from 1 */
    int64_t offer_appl_seq_num;
    /** Security code, zero-terminated */
    char security_code[CONST_STR_SECURITY_CODE_LEN];
    /** Code source (for example "102" Shenzhen), zero-terminated */
    char security_source[5];
    /** Trade price, x 10000 */
    int64_t price;
    /** Trade quantity, x 100 */
    int64_t qty;
    /** 4 cancelled, F traded */
    char exec_type;
    /** Trade time, YYYYMMDDHHMMSSsss */
    int64_t transact_time;
};

/** One tick record by value; the member is chosen by the record type. */
union TRV_PACKED trv_tick_quote_union_t {
    /** SSE_L2_TICK. */
    trv_sse_l2_tick_t sse_l2_tick;
    /** SSE_L2_BOND_TICK. */
    trv_sse_l2_bond_tick_t sse_l2_bond_tick;
    /** SZSE_L2_ORDER. */
    trv_szse_l2_order_t szse_l2_order;
    /** SZSE_L2_TRADE. */
    trv_szse_l2_trade_t szse_l2_trade;
};

/** Range of ticks to resend (request_rebuild_tick_quote). */
struct TRV_PACKED trv_rebuild_tick_quote_req_t {
    /** Exchange (nq::ExchangeIndex) */
    ExchangeIndex exchange_index;
    /** Channel */
    int16_t channel_no;
    /** First record number to resend */
    int64_t begin_sequence;
    /** Last record number to resend */
    int64_t end_sequence;
};

/** Static information of one security (query_static_quote_info). */
struct TRV_PACKED trv_static_quote_full_info_t {
    /** Listing date, YYYYMMDD */
    uint32_t list_date;
    /** Exchange (nq::ExchangeIndex) */
    ExchangeIndex exchange_index;
    /** Security code, zero-terminated */
    char security_code[CONST_STR_SECURITY_CODE_LEN];
    /** Security name, zero-terminated */
    char security_name[CONST_SECURITY_NAME_LEN];
    /** Instrument type (nq::QuoteSecurityType) */
    QuoteSecurityType security_type;
    /** Registration-based listing (only ChiNext stocks, stocks of innovative enterprises and depositary receipts) */
    bool is_registration;
    /** Has a variable-interest-entity (contractual control) structure (same scope) */
    bool is_vie;
    /** Not yet profitable (same scope) */
    bool is_noprofit;
    /** Has differential voting rights (same scope) */
    bool is_weighted_voting_rights;
    /** A price-change limit applies (its width is not given; derive it from the limit prices and the previous close) */
    bool is_have_price_limit;
    /** Limit-up price (valid only with a price limit) */
    int64_t upper_limit_price;
    /** Limit-down price (valid only with a price limit) */
    int64_t lower_limit_price;
    /** Previous close */
    int64_t pre_close_price;
    /** Minimum price increment */
    int64_t price_tick;
    /** Maximum quantity of a limit buy order */
    int32_t bid_qty_upper_limit;
    /** Minimum quantity of a limit buy order */
    int32_t bid_qty_lower_limit;
    /** Quantity unit of a limit buy order */
    int32_t bid_qty_unit;
    /** Maximum quantity of a limit sell order */
    int32_t ask_qty_upper_limit;
    /** Minimum quantity of a limit sell order */
    int32_t ask_qty_lower_limit;
    /** Quantity unit of a limit sell order */
    int32_t ask_qty_unit;
    /** Maximum quantity of a market buy order */
    int32_t market_bid_qty_upper_limit;
    /** Minimum quantity of a market buy order */
    int32_t market_bid_qty_lower_limit;
    /** Quantity unit of a market buy order */
    int32_t market_bid_qty_unit;
    /** Maximum quantity of a market sell order */
    int32_t market_ask_qty_upper_limit;
    /** Minimum quantity of a market sell order */
    int32_t market_ask_qty_lower_limit;
    /** Quantity unit of a market sell order */
    int32_t market_ask_qty_unit;
    /** Security status, zero-terminated */
    char security_status[9];
    /** Underlying security code, zero-terminated (bonds only) */
    char underlying_code[CONST_STR_SECURITY_CODE_LEN];
    /** In the conversion period: 0 no, 1 yes (bonds only) */
    uint8_t swap_flag;
    /** Conversion price of a convertible bond, x 100000 (bonds only) */
    int64_t swap_price;
    /** Redemption or maturity date, YYYYMMDD (bonds only) */
    uint32_t maturity_date;
};

/** One quote receiver thread requested from subscribe_quote (natural alignment). */
struct quote_thread_t {
    /** Core to bind the thread to: -1 none, 0 the first processor, 1 the second, and so on */
    int32_t cpu_affinity;
    /** True: when no datagram is waiting the thread spins in user space with a processor pause and makes no system call; false: it yields the processor (advised true on isolated cores) */
    bool busy_poll;
    /** Number of entries used in mc_types (at most 64) */
    uint16_t mc_count;
    /** The multicast types this thread receives; each names one channel of the channel table */
    QuoteMCType mc_types[64];
};

/* ---- Decoders ---- */

/** Pointer to one level-1 record inside a payload; the member is chosen by TRVQuoteItem::data_type. */
union trv_quote_data_union_t {
    /** SSE_L1_INDEX. */
    const trv_sse_l1_index_t* sse_l1_index;
    /** SSE_L1_SNAPSHOT. */
    const trv_sse_l1_snapshot_t* sse_l1_snapshot;
    /** SZSE_L1_INDEX. */
    const trv_szse_l1_index_t* szse_l1_index;
    /** SZSE_L1_SNAPSHOT. */
    const trv_szse_l1_snapshot_t* szse_l1_snapshot;
    /** SZSE_L1_BOND_SNAPSHOT. */
    const trv_szse_l1_snapshot_bond_t* szse_l1_snapshot_bond;
};

/** One record found by TRVQuoteDecoder. */
struct TRVQuoteItem {
    /** Record type. */
    QuoteMsgType data_type;
    /** The record inside the payload. */
    trv_quote_data_union_t data;
};

/* Splitting functions, defined with the decoder. */
struct TRVQuoteSplit;

/**
 * Splits a payload of the counter's level-1 channels (TRV_SSE_L1,
 * TRV_SZSE_L1) into records. It neither copies nor checks the records; the
 * payload must outlive the decoder.
 */
class TRV_API_EXPORT TRVQuoteDecoder {
public:
    /**
     * A decoder over one payload, as handed to TRVQuoteSpi::on_quote.
     * @param mc_type multicast type of the channel the payload came from
     * @param data first byte of the payload (may be null)
     * @param len payload length in bytes
     */
    TRVQuoteDecoder(QuoteMCType mc_type, const void* data, uint32_t len);

    /**
     * Finds the next record.
     * @return the decoder's item for the next record, valid until the next
     * call, or null when no further record can be read. After null the item
     * keeps the last record returned.
     */
    TRVQuoteItem* get_next();

private:
    friend struct TRVQuoteSplit;
    typedef TRVQuoteItem* (*splitter_t)(TRVQuoteDecoder*);
    splitter_t splitter;
    const uint8_t* cursor;
    uint32_t remaining;
    TRVQuoteItem item;
};

namespace mqr {

/** Pointer to one level-2 feed record inside a payload; the member is chosen by MQRQuoteItem::data_type. */
union mqr_quote_data_union_t {
    /** SSE_LEV2_SNAP_MSG_TYPE. */
    const sse_dvs_lev2* sse_lev2_snap;
    /** SSE_LEV2_TICK_MERGE_MSG_TYPE. */
    const sse_dvs_tick_merge* sse_lev2_tick_merge;
    /** SSE_LEV2_IDX_MSG_TYPE. */
    const sse_dvs_idx* sse_lev2_idx;
    /** SSE_LEV2_BOND_SNAP_MSG_TYPE. */
    const sse_dvs_bond_snap* sse_lev2_bond_snap;
    /** SSE_LEV2_BOND_TICK_MSG_TYPE. */
    const sse_dvs_bond_tick* sse_lev2_bond_tick;
    /** SZE_LEV2_SNAP_MSG_TYPE. */
    const sze_dvs_lev2* sze_lev2_snap;
    /** SZE_LEV2_ORDER_MSG_TYPE. */
    const sze_dvs_order* sze_lev2_order;
    /** SZE_LEV2_EXE_MSG_TYPE. */
    const sze_dvs_exe* sze_lev2_exe;
    /** SZE_LEV2_IDX_MSG_TYPE. */
    const sze_dvs_idx* sze_lev2_idx;
    /** SZE_LEV2_BOND_SNAP_MSG_TYPE. */
    const sze_dvs_bond_snap* sze_lev2_bond_snap;
    /** SZE_LEV2_BOND_ORDER_MSG_TYPE. */
    const sze_dvs_bond_order* sze_lev2_bond_order;
    /** SZE_LEV2_BOND_EXE_MSG_TYPE. */
    const sze_dvs_bond_exe* sze_lev2_bond_exe;
};

/** One record found by MQRQuoteDecoder. */
struct MQRQuoteItem {
    /** The record's own message-type byte (byte 8). */
    uint8_t data_type;
    /** The record inside the payload. */
    mqr_quote_data_union_t data;
};

/* Splitting functions, defined with the decoder. */
struct MQRQuoteSplit;

/**
 * Splits a payload of the exchanges' level-2 channels (DVS_SSE_L2_STOCK_SNAP
 * to DVS_SZSE_L2_BOND_TICK) into its fixed-size records. It neither copies
 * nor checks the records; the payload must outlive the decoder.
 */
class TRV_API_EXPORT MQRQuoteDecoder {
public:
    /**
     * A decoder over one payload, as handed to TRVQuoteSpi::on_quote.
     * @param mc_type multicast type of the channel the payload came from
     * @param data first byte of the payload (may be null)
     * @param len payload length in bytes
     */
    MQRQuoteDecoder(QuoteMCType mc_type, const void* data, uint32_t len);

    /**
     * Finds the next record.
     * @return the decoder's item for the next record, valid until the next
     * call, or null when no further record can be read. After null the item
     * keeps the last record returned.
     */
    MQRQuoteItem* get_next();

private:
    friend struct MQRQuoteSplit;
    typedef MQRQuoteItem* (*splitter_t)(MQRQuoteDecoder*);
    splitter_t splitter;
    const uint8_t* cursor;
    uint32_t remaining;
    MQRQuoteItem item;
};

}  // namespace mqr

#ifndef SWIG
static_assert(sizeof(trv_sse_l1_index_t) == 114, "trv_sse_l1_index_t size");
static_assert(offsetof(trv_sse_l1_index_t, security_type) == 0, "trv_sse_l1_index_t layout");
static_assert(offsetof(trv_sse_l1_index_t, sending_time) == 1, "trv_sse_l1_index_t layout");
static_assert(offsetof(trv_sse_l1_index_t, trad_ses_mode) == 9, "trv_sse_l1_index_t layout");
static_assert(offsetof(trv_sse_l1_index_t, trade_date) == 10, "trv_sse_l1_index_t layout");
static_assert(offsetof(trv_sse_l1_index_t, last_update_time) == 14, "trv_sse_l1_index_t layout");
static_assert(offsetof(trv_sse_l1_index_t, md_stream_id) == 18, "trv_sse_l1_index_t layout");
static_assert(offsetof(trv_sse_l1_index_t, security_code) == 24, "trv_sse_l1_index_t layout");
static_assert(offsetof(trv_sse_l1_index_t, prev_close_px) == 33, "trv_sse_l1_index_t layout");
static_assert(offsetof(trv_sse_l1_index_t, total_volume_traded) == 41, "trv_sse_l1_index_t layout");
static_assert(offsetof(trv_sse_l1_index_t, num_trades) == 49, "trv_sse_l1_index_t layout");
static_assert(offsetof(trv_sse_l1_index_t, total_value_traded) == 57, "trv_sse_l1_index_t layout");
static_assert(offsetof(trv_sse_l1_index_t, trading_phase_code) == 65, "trv_sse_l1_index_t layout");
static_assert(offsetof(trv_sse_l1_index_t, last_px) == 74, "trv_sse_l1_index_t layout");
static_assert(offsetof(trv_sse_l1_index_t, open_px) == 82, "trv_sse_l1_index_t layout");
static_assert(offsetof(trv_sse_l1_index_t, close_px) == 90, "trv_sse_l1_index_t layout");
static_assert(offsetof(trv_sse_l1_index_t, high_px) == 98, "trv_sse_l1_index_t layout");
static_assert(offsetof(trv_sse_l1_index_t, low_px) == 106, "trv_sse_l1_index_t layout");
static_assert(sizeof(trv_sse_l1_snapshot_t) == 330, "trv_sse_l1_snapshot_t size");
static_assert(offsetof(trv_sse_l1_snapshot_t, security_type) == 0, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, sending_time) == 1, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, trad_ses_mode) == 9, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, trade_date) == 10, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, last_update_time) == 14, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, md_stream_id) == 18, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, security_code) == 24, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, prev_close_px) == 33, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, total_volume_traded) == 41, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, num_trades) == 49, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, total_value_traded) == 57, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, trading_phase_code) == 65, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, last_px) == 74, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, open_px) == 82, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, close_px) == 90, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, settle_px) == 98, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, high_px) == 106, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, low_px) == 114, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, iopv) == 122, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, pre_iopv) == 130, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, option_ref_px) == 138, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, option_notional_amount) == 146, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, pre_settle_px) == 154, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, option_open_qty) == 162, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, bid_px) == 170, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, bid_volume) == 210, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, offer_px) == 250, "trv_sse_l1_snapshot_t layout");
static_assert(offsetof(trv_sse_l1_snapshot_t, offer_volume) == 290, "trv_sse_l1_snapshot_t layout");
static_assert(sizeof(trv_szse_l1_index_t) == 117, "trv_szse_l1_index_t size");
static_assert(offsetof(trv_szse_l1_index_t, channel_no) == 0, "trv_szse_l1_index_t layout");
static_assert(offsetof(trv_szse_l1_index_t, orig_time) == 2, "trv_szse_l1_index_t layout");
static_assert(offsetof(trv_szse_l1_index_t, md_stream_id) == 10, "trv_szse_l1_index_t layout");
static_assert(offsetof(trv_szse_l1_index_t, security_code) == 14, "trv_szse_l1_index_t layout");
static_assert(offsetof(trv_szse_l1_index_t, security_id_source) == 23, "trv_szse_l1_index_t layout");
static_assert(offsetof(trv_szse_l1_index_t, trading_phase_code) == 28, "trv_szse_l1_index_t layout");
static_assert(offsetof(trv_szse_l1_index_t, prev_close_px) == 37, "trv_szse_l1_index_t layout");
static_assert(offsetof(trv_szse_l1_index_t, num_trades) == 45, "trv_szse_l1_index_t layout");
static_assert(offsetof(trv_szse_l1_index_t, total_volume_trade) == 53, "trv_szse_l1_index_t layout");
static_assert(offsetof(trv_szse_l1_index_t, total_value_trade) == 61, "trv_szse_l1_index_t layout");
static_assert(offsetof(trv_szse_l1_index_t, last_index) == 69, "trv_szse_l1_index_t layout");
static_assert(offsetof(trv_szse_l1_index_t, prev_close_index) == 77, "trv_szse_l1_index_t layout");
static_assert(offsetof(trv_szse_l1_index_t, open_index) == 85, "trv_szse_l1_index_t layout");
static_assert(offsetof(trv_szse_l1_index_t, high_index) == 93, "trv_szse_l1_index_t layout");
static_assert(offsetof(trv_szse_l1_index_t, low_index) == 101, "trv_szse_l1_index_t layout");
static_assert(offsetof(trv_szse_l1_index_t, close_index) == 109, "trv_szse_l1_index_t layout");
static_assert(sizeof(trv_szse_l1_snapshot_t) == 413, "trv_szse_l1_snapshot_t size");
static_assert(offsetof(trv_szse_l1_snapshot_t, channel_no) == 0, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, orig_time) == 2, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, md_stream_id) == 10, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, security_code) == 14, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, security_id_source) == 23, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, trading_phase_code) == 28, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, prev_close_px) == 37, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, num_trades) == 45, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, total_volume_trade) == 53, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, total_value_trade) == 61, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, last_px) == 69, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, open_px) == 77, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, high_px) == 85, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, low_px) == 93, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, px_gain) == 101, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, px_gain_2) == 109, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, weighted_avg_bid_px) == 117, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, total_bid_qty) == 125, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, weighted_avg_offer_px) == 133, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, total_offer_qty) == 141, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, pe_ratio_1) == 149, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, pe_ratio_2) == 157, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, nav) == 165, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, iopv) == 173, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, warrant_premium) == 181, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, limit_up_px) == 189, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, limit_down_px) == 197, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, option_open_qty) == 205, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, option_break_px) == 213, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, etf_buy_amount) == 221, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, etf_buy_number) == 229, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, etf_sell_amount) == 237, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, etf_sell_number) == 245, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, bid_px) == 253, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, bid_volume) == 293, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, offer_px) == 333, "trv_szse_l1_snapshot_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_t, offer_volume) == 373, "trv_szse_l1_snapshot_t layout");
static_assert(sizeof(trv_szse_l1_snapshot_bond_t) == 427, "trv_szse_l1_snapshot_bond_t size");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, channel_no) == 0, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, orig_time) == 2, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, md_stream_id) == 10, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, security_code) == 14, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, security_id_source) == 23, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, trading_phase_code) == 28, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, prev_close_px) == 37, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, num_trades) == 45, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, total_volume_trade) == 53, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, total_value_trade) == 61, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, last_px) == 69, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, open_px) == 77, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, close_px) == 85, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, high_px) == 93, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, low_px) == 101, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, last_px_type) == 109, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, weighted_avg_px) == 117, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, px_gain) == 125, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, px_gain_2) == 133, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, weighted_avg_bid_px) == 141, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, total_bid_qty) == 149, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, weighted_avg_offer_px) == 157, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, total_offer_qty) == 165, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, weighted_avg_ir_gain) == 173, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, weighted_avg_prev_ir) == 181, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, match_last_px) == 189, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, auction_volume_trade) == 197, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, auction_value_trade) == 205, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, sub_trading_phase_code) == 213, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, bid_px) == 267, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, bid_volume) == 307, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, offer_px) == 347, "trv_szse_l1_snapshot_bond_t layout");
static_assert(offsetof(trv_szse_l1_snapshot_bond_t, offer_volume) == 387, "trv_szse_l1_snapshot_bond_t layout");
static_assert(sizeof(trv_l1_quote_union_t) == 427, "trv_l1_quote_union_t size");
static_assert(sizeof(trv_level1_quote_t) == 428, "trv_level1_quote_t size");
static_assert(offsetof(trv_level1_quote_t, quoteMsgType) == 0, "trv_level1_quote_t layout");
static_assert(offsetof(trv_level1_quote_t, l1_quote) == 1, "trv_level1_quote_t layout");
static_assert(sizeof(trv_sse_l2_tick_t) == 70, "trv_sse_l2_tick_t size");
static_assert(offsetof(trv_sse_l2_tick_t, biz_index) == 0, "trv_sse_l2_tick_t layout");
static_assert(offsetof(trv_sse_l2_tick_t, channel) == 8, "trv_sse_l2_tick_t layout");
static_assert(offsetof(trv_sse_l2_tick_t, security_code) == 12, "trv_sse_l2_tick_t layout");
static_assert(offsetof(trv_sse_l2_tick_t, tick_time) == 21, "trv_sse_l2_tick_t layout");
static_assert(offsetof(trv_sse_l2_tick_t, tick_type) == 25, "trv_sse_l2_tick_t layout");
static_assert(offsetof(trv_sse_l2_tick_t, buy_order_no) == 26, "trv_sse_l2_tick_t layout");
static_assert(offsetof(trv_sse_l2_tick_t, sell_order_no) == 34, "trv_sse_l2_tick_t layout");
static_assert(offsetof(trv_sse_l2_tick_t, price) == 42, "trv_sse_l2_tick_t layout");
static_assert(offsetof(trv_sse_l2_tick_t, qty) == 46, "trv_sse_l2_tick_t layout");
static_assert(offsetof(trv_sse_l2_tick_t, trade_money) == 54, "trv_sse_l2_tick_t layout");
static_assert(offsetof(trv_sse_l2_tick_t, tick_bs_flag) == 62, "trv_sse_l2_tick_t layout");
static_assert(sizeof(trv_sse_l2_bond_tick_t) == 70, "trv_sse_l2_bond_tick_t size");
static_assert(offsetof(trv_sse_l2_bond_tick_t, tick_index) == 0, "trv_sse_l2_bond_tick_t layout");
static_assert(offsetof(trv_sse_l2_bond_tick_t, channel) == 8, "trv_sse_l2_bond_tick_t layout");
static_assert(offsetof(trv_sse_l2_bond_tick_t, security_code) == 12, "trv_sse_l2_bond_tick_t layout");
static_assert(offsetof(trv_sse_l2_bond_tick_t, tick_time) == 21, "trv_sse_l2_bond_tick_t layout");
static_assert(offsetof(trv_sse_l2_bond_tick_t, tick_type) == 25, "trv_sse_l2_bond_tick_t layout");
static_assert(offsetof(trv_sse_l2_bond_tick_t, buy_order_no) == 26, "trv_sse_l2_bond_tick_t layout");
static_assert(offsetof(trv_sse_l2_bond_tick_t, sell_order_no) == 34, "trv_sse_l2_bond_tick_t layout");
static_assert(offsetof(trv_sse_l2_bond_tick_t, price) == 42, "trv_sse_l2_bond_tick_t layout");
static_assert(offsetof(trv_sse_l2_bond_tick_t, qty) == 46, "trv_sse_l2_bond_tick_t layout");
static_assert(offsetof(trv_sse_l2_bond_tick_t, trade_money) == 54, "trv_sse_l2_bond_tick_t layout");
static_assert(offsetof(trv_sse_l2_bond_tick_t, tick_bs_flag) == 62, "trv_sse_l2_bond_tick_t layout");
static_assert(sizeof(trv_szse_l2_order_t) == 54, "trv_szse_l2_order_t size");
static_assert(offsetof(trv_szse_l2_order_t, channel_no) == 0, "trv_szse_l2_order_t layout");
static_assert(offsetof(trv_szse_l2_order_t, appl_seq_num) == 2, "trv_szse_l2_order_t layout");
static_assert(offsetof(trv_szse_l2_order_t, md_stream_id) == 10, "trv_szse_l2_order_t layout");
static_assert(offsetof(trv_szse_l2_order_t, security_code) == 14, "trv_szse_l2_order_t layout");
static_assert(offsetof(trv_szse_l2_order_t, security_source) == 23, "trv_szse_l2_order_t layout");
static_assert(offsetof(trv_szse_l2_order_t, price) == 28, "trv_szse_l2_order_t layout");
static_assert(offsetof(trv_szse_l2_order_t, qty) == 36, "trv_szse_l2_order_t layout");
static_assert(offsetof(trv_szse_l2_order_t, side) == 44, "trv_szse_l2_order_t layout");
static_assert(offsetof(trv_szse_l2_order_t, transact_time) == 45, "trv_szse_l2_order_t layout");
static_assert(offsetof(trv_szse_l2_order_t, ord_type) == 53, "trv_szse_l2_order_t layout");
static_assert(sizeof(trv_szse_l2_trade_t) == 69, "trv_szse_l2_trade_t size");
static_assert(offsetof(trv_szse_l2_trade_t, channel_no) == 0, "trv_szse_l2_trade_t layout");
static_assert(offsetof(trv_szse_l2_trade_t, appl_seq_num) == 2, "trv_szse_l2_trade_t layout");
static_assert(offsetof(trv_szse_l2_trade_t, md_stream_id) == 10, "trv_szse_l2_trade_t layout");
static_assert(offsetof(trv_szse_l2_trade_t, bid_appl_seq_num) == 14, "trv_szse_l2_trade_t layout");
static_assert(offsetof(trv_szse_l2_trade_t, offer_appl_seq_num) == 22, "trv_szse_l2_trade_t layout");
static_assert(offsetof(trv_szse_l2_trade_t, security_code) == 30, "trv_szse_l2_trade_t layout");
static_assert(offsetof(trv_szse_l2_trade_t, security_source) == 39, "trv_szse_l2_trade_t layout");
static_assert(offsetof(trv_szse_l2_trade_t, price) == 44, "trv_szse_l2_trade_t layout");
static_assert(offsetof(trv_szse_l2_trade_t, qty) == 52, "trv_szse_l2_trade_t layout");
static_assert(offsetof(trv_szse_l2_trade_t, exec_type) == 60, "trv_szse_l2_trade_t layout");
static_assert(offsetof(trv_szse_l2_trade_t, transact_time) == 61, "trv_szse_l2_trade_t layout");
static_assert(sizeof(trv_tick_quote_union_t) == 70, "trv_tick_quote_union_t size");
static_assert(sizeof(trv_rebuild_tick_quote_req_t) == 19, "trv_rebuild_tick_quote_req_t size");
static_assert(offsetof(trv_rebuild_tick_quote_req_t, exchange_index) == 0, "trv_rebuild_tick_quote_req_t layout");
static_assert(offsetof(trv_rebuild_tick_quote_req_t, channel_no) == 1, "trv_rebuild_tick_quote_req_t layout");
static_assert(offsetof(trv_rebuild_tick_quote_req_t, begin_sequence) == 3, "trv_rebuild_tick_quote_req_t layout");
static_assert(offsetof(trv_rebuild_tick_quote_req_t, end_sequence) == 11, "trv_rebuild_tick_quote_req_t layout");
static_assert(sizeof(trv_static_quote_full_info_t) == 172, "trv_static_quote_full_info_t size");
static_assert(offsetof(trv_static_quote_full_info_t, list_date) == 0, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, exchange_index) == 4, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, security_code) == 5, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, security_name) == 14, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, security_type) == 55, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, is_registration) == 56, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, is_vie) == 57, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, is_noprofit) == 58, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, is_weighted_voting_rights) == 59, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, is_have_price_limit) == 60, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, upper_limit_price) == 61, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, lower_limit_price) == 69, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, pre_close_price) == 77, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, price_tick) == 85, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, bid_qty_upper_limit) == 93, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, bid_qty_lower_limit) == 97, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, bid_qty_unit) == 101, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, ask_qty_upper_limit) == 105, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, ask_qty_lower_limit) == 109, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, ask_qty_unit) == 113, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, market_bid_qty_upper_limit) == 117, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, market_bid_qty_lower_limit) == 121, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, market_bid_qty_unit) == 125, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, market_ask_qty_upper_limit) == 129, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, market_ask_qty_lower_limit) == 133, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, market_ask_qty_unit) == 137, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, security_status) == 141, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, underlying_code) == 150, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, swap_flag) == 159, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, swap_price) == 160, "trv_static_quote_full_info_t layout");
static_assert(offsetof(trv_static_quote_full_info_t, maturity_date) == 168, "trv_static_quote_full_info_t layout");
static_assert(sizeof(quote_thread_t) == 136, "quote_thread_t size");
static_assert(offsetof(quote_thread_t, cpu_affinity) == 0, "quote_thread_t layout");
static_assert(offsetof(quote_thread_t, busy_poll) == 4, "quote_thread_t layout");
static_assert(offsetof(quote_thread_t, mc_count) == 6, "quote_thread_t layout");
static_assert(offsetof(quote_thread_t, mc_types) == 8, "quote_thread_t layout");
static_assert(alignof(quote_thread_t) == 4, "quote_thread_t keeps natural alignment");
static_assert(sizeof(QuoteMsgType) == 1 && sizeof(QuoteMCType) == 2 && sizeof(ExchangeIndex) == 1 &&
                  sizeof(QuoteSecurityType) == 1,
              "enumerations stored in records");
static_assert(sizeof(trv_quote_data_union_t) == 8, "trv_quote_data_union_t size");
static_assert(sizeof(TRVQuoteItem) == 16 && alignof(TRVQuoteItem) == 8, "TRVQuoteItem layout");
static_assert(offsetof(TRVQuoteItem, data_type) == 0, "TRVQuoteItem layout");
static_assert(offsetof(TRVQuoteItem, data) == 8, "TRVQuoteItem layout");
static_assert(sizeof(mqr::mqr_quote_data_union_t) == 8, "mqr_quote_data_union_t size");
static_assert(sizeof(mqr::MQRQuoteItem) == 16 && alignof(mqr::MQRQuoteItem) == 8, "MQRQuoteItem layout");
static_assert(offsetof(mqr::MQRQuoteItem, data_type) == 0, "MQRQuoteItem layout");
static_assert(offsetof(mqr::MQRQuoteItem, data) == 8, "MQRQuoteItem layout");
static_assert(sizeof(TRVQuoteDecoder) == 40 && sizeof(mqr::MQRQuoteDecoder) == 40, "decoder size");
#endif

}  // namespace nq

#endif  // TRV_API_MDATA_H
