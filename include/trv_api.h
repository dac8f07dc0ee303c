/**
 * @file trv_api.h
 * Public interface of libtrv_api: records, enumerations and constants shared
 * by the trading, privileged and market-data interfaces.
 *
 * Records are packed (fields follow each other with no gaps) because most of
 * them are handed to callbacks as pointers straight into received message
 * bodies; trv_order_insert_info_t is the one record with natural alignment.
 *
 * The library is built for x86-64 Linux. It reads three environment
 * variables, once, when the first interface is initialised (a value it
 * rejects keeps the default, without a message):
 *   - TRV_FILE_PATH: directory of the log file tarvel_<yyyymmdd>.log,
 *     created with its parents; default "." (the working directory); a path
 *     of 256 characters or more is refused.
 *   - TRV_LOG_LEVEL: 0-5 or FATAL, ERROR, WARN, INFO, DEBUG, TRACE in any
 *     case; default INFO (3).
 *   - TRV_REQUEST_TIMEOUT: seconds a request waits for its answer before it
 *     ends with error 311 "timeout", 1-65535; default 10.
 * A child forked from a process whose library is up has none of its threads
 * and shares its connections and log: there every operation of the facades is
 * refused (error 304, "api not available in a forked child process: { pid =
 * ... }"), including a logout or stop from an atexit handler, and the library
 * logs nothing. Every descriptor the library opens is close-on-exec, so a
 * child that calls exec keeps none of them.
 * Errors are reported by the operation's result and the calling thread's
 * last error (get_last_error), whose error_code_type is 301 (start-up and
 * permission), 304 (interface not initialised), 305 (login refused), 307
 * (session not found), 308 (invalid order, cancel, resend or fund-transfer
 * input), 309 (request refused), 310 (market data) or 311 (time-out, in
 * callbacks only).
 */

/*
 * Contents. Each section starts at a line "// ==== Section: <name> ====";
 * search for that text to jump there (in vi or less: /==== Section: Facades),
 * or list every section with its line: grep -n '==== Section' trv_api.h.
 * A program starts at the facades, which name the configuration classes,
 * callback interfaces, result lists and records it needs.
 *
 *   Macros                   TRV_API_EXPORT, TRV_PACKED and the layout checks'
 *                            TRV_LAYOUT, TRV_AT, TRV_ALIGN
 *   Level-2 feed constants   exchange ids, array lengths and message types of
 *                            the exchanges' level-2 feeds (SZE_*, SSE_*)
 *   Level-2 feed records     Shenzhen and Shanghai level-2 multicast records
 *                            (price levels, sze_*, sse_*), global namespace
 *   Layout checks: level-2 feed records
 *   Types and enumerations   amount_t, price_t, quantity_t, enumerations,
 *                            TradeMessageType (namespace nq from here on)
 *   Length constants         CONST_*_LEN, PAGE_REQ_COUNT_MIN
 *   Public records           the trading records: errors, message descriptor,
 *                            terminal information, orders, cancels, reports,
 *                            order book, positions, assets, queries, accounts,
 *                            fund transfers, privileged publications
 *   Layout checks: public records
 *   Configuration classes    TRVTradeConfig, TRVPrivilegeConfig, TRVQuoteConfig
 *   Callback interfaces      TRVTradeSpi, TRVPrivilegeSpi, TRVQuoteSpi
 *   Result lists             TRVOrderList to TRVBriefPositionList
 *   Security filter          TRVSecurityFilter (C++ only)
 *   Market-data records      Shanghai and Shenzhen level-1 records, level-2
 *                            tick records, static information, quote_thread_t
 *   Decoders                 TRVQuoteDecoder (level 1), mqr::MQRQuoteDecoder
 *                            (level 2)
 *   Layout checks: market-data records and decoders
 *   Facades                  TRVTradeApi, TRVPrivilege, TRVQuoteApi
 *
 * Layout checks are compiled only (never seen by SWIG) and stand after the
 * declarations they check, except the configuration classes' private fields,
 * which are checked inside each class.
 */
#ifndef TRV_API_H
#define TRV_API_H

#include <netinet/in.h>
#include <stddef.h>
#include <stdint.h>

// ==== Section: Macros ====

#ifndef TRV_API_EXPORT
#ifdef SWIG
#define TRV_API_EXPORT
#else
#define TRV_API_EXPORT __attribute__((visibility("default")))
#endif
#endif

/* Packs one record; applied per record so no packing state leaks to users. */
#ifndef TRV_PACKED
#ifdef SWIG
#define TRV_PACKED
#else
#define TRV_PACKED __attribute__((packed))
#endif
#endif

/*
 * Layout checks of the records, classes and enumerations, compiled but never
 * seen by SWIG; undefined at the end of this header. TRV_LAYOUT checks a
 * size, TRV_AT the offset of one field, TRV_ALIGN an alignment.
 */
#ifndef SWIG
#define TRV_LAYOUT(T, size) static_assert(sizeof(T) == (size), #T " size")
#define TRV_AT(T, field, off) static_assert(offsetof(T, field) == (off), #T "." #field " offset")
#define TRV_ALIGN(T, align) static_assert(alignof(T) == (align), #T " alignment")
#endif

// ==== Section: Level-2 feed constants ====

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

// ==== Section: Level-2 feed records ====

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

// ==== Section: Layout checks: level-2 feed records ====

#ifndef SWIG
TRV_LAYOUT(price_quantity_unit, 12);
TRV_AT(price_quantity_unit, m_price, 0);
TRV_AT(price_quantity_unit, m_quantity, 4);
TRV_LAYOUT(sse_lev2_price_quantity_unit, 16);
TRV_AT(sse_lev2_price_quantity_unit, m_reserved, 0);
TRV_AT(sse_lev2_price_quantity_unit, m_price, 4);
TRV_AT(sse_lev2_price_quantity_unit, m_quantity, 8);
TRV_LAYOUT(sse_lev2_tree_price_quantity_unit, 12);
TRV_AT(sse_lev2_tree_price_quantity_unit, m_price, 0);
TRV_AT(sse_lev2_tree_price_quantity_unit, m_quantity, 4);
TRV_LAYOUT(sse_option_price_quantity_unit, 12);
TRV_AT(sse_option_price_quantity_unit, m_price, 0);
TRV_AT(sse_option_price_quantity_unit, m_quantity, 4);
TRV_LAYOUT(sse_lev2_bond_price_quantity_unit, 12);
TRV_AT(sse_lev2_bond_price_quantity_unit, m_price, 0);
TRV_AT(sse_lev2_bond_price_quantity_unit, m_quantity, 4);
TRV_LAYOUT(sze_dvs_head, 43);
TRV_AT(sze_dvs_head, m_sequence, 0);
TRV_AT(sze_dvs_head, m_reserved_1, 4);
TRV_AT(sze_dvs_head, m_message_type, 8);
TRV_AT(sze_dvs_head, m_security_type, 9);
TRV_AT(sze_dvs_head, m_sub_security_type, 10);
TRV_AT(sze_dvs_head, m_symbol, 11);
TRV_AT(sze_dvs_head, m_exchange_id, 20);
TRV_AT(sze_dvs_head, m_quote_update_time, 21);
TRV_AT(sze_dvs_head, m_channel_num, 29);
TRV_AT(sze_dvs_head, m_sequence_num, 31);
TRV_AT(sze_dvs_head, m_md_stream_id, 39);
TRV_LAYOUT(sze_heartbeat, 16);
TRV_AT(sze_heartbeat, m_sequence, 0);
TRV_AT(sze_heartbeat, m_reserved_1, 4);
TRV_AT(sze_heartbeat, m_message_type, 8);
TRV_AT(sze_heartbeat, m_reserved_2, 9);
TRV_LAYOUT(sze_dvs_lev2, 376);
TRV_AT(sze_dvs_lev2, m_head, 0);
TRV_AT(sze_dvs_lev2, m_trading_status, 43);
TRV_AT(sze_dvs_lev2, m_total_trade_num, 44);
TRV_AT(sze_dvs_lev2, m_total_quantity, 52);
TRV_AT(sze_dvs_lev2, m_total_value, 60);
TRV_AT(sze_dvs_lev2, m_pre_close_price, 68);
TRV_AT(sze_dvs_lev2, m_last_price, 72);
TRV_AT(sze_dvs_lev2, m_open_price, 76);
TRV_AT(sze_dvs_lev2, m_day_high_price, 80);
TRV_AT(sze_dvs_lev2, m_day_low_price, 84);
TRV_AT(sze_dvs_lev2, m_today_close_price, 88);
TRV_AT(sze_dvs_lev2, m_total_bid_weighted_avg_price, 92);
TRV_AT(sze_dvs_lev2, m_total_bid_quantity, 96);
TRV_AT(sze_dvs_lev2, m_total_ask_weighted_avg_price, 104);
TRV_AT(sze_dvs_lev2, m_total_ask_quantity, 108);
TRV_AT(sze_dvs_lev2, m_lpv, 116);
TRV_AT(sze_dvs_lev2, m_iopv, 120);
TRV_AT(sze_dvs_lev2, m_upper_limit_price, 124);
TRV_AT(sze_dvs_lev2, m_low_limit_price, 128);
TRV_AT(sze_dvs_lev2, m_open_interest, 132);
TRV_AT(sze_dvs_lev2, m_bid_unit, 136);
TRV_AT(sze_dvs_lev2, m_ask_unit, 256);
TRV_LAYOUT(sze_dvs_idx, 96);
TRV_AT(sze_dvs_idx, m_head, 0);
TRV_AT(sze_dvs_idx, m_total_trade_num, 43);
TRV_AT(sze_dvs_idx, m_total_quantity, 51);
TRV_AT(sze_dvs_idx, m_total_value, 59);
TRV_AT(sze_dvs_idx, m_last_price, 67);
TRV_AT(sze_dvs_idx, m_pre_close_price, 71);
TRV_AT(sze_dvs_idx, m_open_price, 75);
TRV_AT(sze_dvs_idx, m_day_high_price, 79);
TRV_AT(sze_dvs_idx, m_day_low_price, 83);
TRV_AT(sze_dvs_idx, m_today_close_price, 87);
TRV_AT(sze_dvs_idx, m_reserved, 91);
TRV_LAYOUT(sze_dvs_order, 72);
TRV_AT(sze_dvs_order, m_head, 0);
TRV_AT(sze_dvs_order, m_order_price, 43);
TRV_AT(sze_dvs_order, m_order_quantity, 47);
TRV_AT(sze_dvs_order, m_side_flag, 55);
TRV_AT(sze_dvs_order, m_order_type, 56);
TRV_AT(sze_dvs_order, m_reserved, 57);
TRV_LAYOUT(sze_dvs_exe, 72);
TRV_AT(sze_dvs_exe, m_head, 0);
TRV_AT(sze_dvs_exe, m_trade_buy_num, 43);
TRV_AT(sze_dvs_exe, m_trade_sell_num, 51);
TRV_AT(sze_dvs_exe, m_trade_price, 59);
TRV_AT(sze_dvs_exe, m_trade_quantity, 63);
TRV_AT(sze_dvs_exe, m_trade_type, 71);
TRV_LAYOUT(sze_dvs_tree, 392);
TRV_AT(sze_dvs_tree, m_head, 0);
TRV_AT(sze_dvs_tree, m_total_trade_num, 43);
TRV_AT(sze_dvs_tree, m_total_quantity, 51);
TRV_AT(sze_dvs_tree, m_total_value, 59);
TRV_AT(sze_dvs_tree, m_pre_close_price, 67);
TRV_AT(sze_dvs_tree, m_last_price, 71);
TRV_AT(sze_dvs_tree, m_open_price, 75);
TRV_AT(sze_dvs_tree, m_day_high_price, 79);
TRV_AT(sze_dvs_tree, m_day_low_price, 83);
TRV_AT(sze_dvs_tree, m_today_close_price, 87);
TRV_AT(sze_dvs_tree, m_total_bid_weighted_avg_price, 91);
TRV_AT(sze_dvs_tree, m_total_bid_quantity, 95);
TRV_AT(sze_dvs_tree, m_total_ask_weighted_avg_price, 103);
TRV_AT(sze_dvs_tree, m_total_ask_quantity, 107);
TRV_AT(sze_dvs_tree, m_upper_limit_price, 115);
TRV_AT(sze_dvs_tree, m_low_limit_price, 119);
TRV_AT(sze_dvs_tree, m_market_open_total_bid, 123);
TRV_AT(sze_dvs_tree, m_market_open_total_ask, 131);
TRV_AT(sze_dvs_tree, m_bid_depth, 139);
TRV_AT(sze_dvs_tree, m_ask_depth, 143);
TRV_AT(sze_dvs_tree, m_bid_unit, 147);
TRV_AT(sze_dvs_tree, m_ask_unit, 267);
TRV_AT(sze_dvs_tree, m_ch_gap_flag, 387);
TRV_AT(sze_dvs_tree, m_reserved, 388);
TRV_LAYOUT(sze_dvs_ibr_tree, 200);
TRV_AT(sze_dvs_ibr_tree, m_head, 0);
TRV_AT(sze_dvs_ibr_tree, m_total_bid_weighted_avg_price, 43);
TRV_AT(sze_dvs_ibr_tree, m_total_bid_quantity, 47);
TRV_AT(sze_dvs_ibr_tree, m_total_ask_weighted_avg_price, 55);
TRV_AT(sze_dvs_ibr_tree, m_total_ask_quantity, 59);
TRV_AT(sze_dvs_ibr_tree, m_bid_depth, 67);
TRV_AT(sze_dvs_ibr_tree, m_ask_depth, 71);
TRV_AT(sze_dvs_ibr_tree, m_bid_unit, 75);
TRV_AT(sze_dvs_ibr_tree, m_ask_unit, 135);
TRV_AT(sze_dvs_ibr_tree, m_reserved, 195);
TRV_LAYOUT(sze_dvs_turnover, 80);
TRV_AT(sze_dvs_turnover, m_head, 0);
TRV_AT(sze_dvs_turnover, m_trading_status, 43);
TRV_AT(sze_dvs_turnover, m_pre_close_price, 44);
TRV_AT(sze_dvs_turnover, m_total_trade_num, 52);
TRV_AT(sze_dvs_turnover, m_total_quantity, 60);
TRV_AT(sze_dvs_turnover, m_total_value, 68);
TRV_AT(sze_dvs_turnover, m_stock_num, 76);
TRV_LAYOUT(sze_dvs_after_close, 96);
TRV_AT(sze_dvs_after_close, m_head, 0);
TRV_AT(sze_dvs_after_close, m_trading_status, 43);
TRV_AT(sze_dvs_after_close, m_total_trade_num, 44);
TRV_AT(sze_dvs_after_close, m_total_quantity, 52);
TRV_AT(sze_dvs_after_close, m_total_value, 60);
TRV_AT(sze_dvs_after_close, m_pre_close_price, 68);
TRV_AT(sze_dvs_after_close, m_trade_price, 72);
TRV_AT(sze_dvs_after_close, m_bid_quantity, 76);
TRV_AT(sze_dvs_after_close, m_ask_quantity, 84);
TRV_AT(sze_dvs_after_close, m_reserved, 92);
TRV_LAYOUT(sze_dvs_bond_snap, 400);
TRV_AT(sze_dvs_bond_snap, m_head, 0);
TRV_AT(sze_dvs_bond_snap, m_trading_status, 43);
TRV_AT(sze_dvs_bond_snap, m_total_trade_num, 44);
TRV_AT(sze_dvs_bond_snap, m_total_quantity, 52);
TRV_AT(sze_dvs_bond_snap, m_total_value, 60);
TRV_AT(sze_dvs_bond_snap, m_pre_close_price, 68);
TRV_AT(sze_dvs_bond_snap, m_last_price, 72);
TRV_AT(sze_dvs_bond_snap, m_open_price, 76);
TRV_AT(sze_dvs_bond_snap, m_day_high_price, 80);
TRV_AT(sze_dvs_bond_snap, m_day_low_price, 84);
TRV_AT(sze_dvs_bond_snap, m_today_close_price, 88);
TRV_AT(sze_dvs_bond_snap, m_total_trade_weighted_avg_price, 92);
TRV_AT(sze_dvs_bond_snap, m_fluctuation_1, 96);
TRV_AT(sze_dvs_bond_snap, m_fluctuation_2, 100);
TRV_AT(sze_dvs_bond_snap, m_total_bid_weighted_avg_price, 104);
TRV_AT(sze_dvs_bond_snap, m_total_bid_quantity, 108);
TRV_AT(sze_dvs_bond_snap, m_total_ask_weighted_avg_price, 116);
TRV_AT(sze_dvs_bond_snap, m_total_ask_quantity, 120);
TRV_AT(sze_dvs_bond_snap, m_weighted_avg_price_BP, 128);
TRV_AT(sze_dvs_bond_snap, m_weighted_avg_pre_close_price, 132);
TRV_AT(sze_dvs_bond_snap, m_auction_trade_last_price, 136);
TRV_AT(sze_dvs_bond_snap, m_reserved, 140);
TRV_AT(sze_dvs_bond_snap, m_auction_volume_trade, 144);
TRV_AT(sze_dvs_bond_snap, m_auction_value_trade, 152);
TRV_AT(sze_dvs_bond_snap, m_bid_unit, 160);
TRV_AT(sze_dvs_bond_snap, m_ask_unit, 280);
TRV_LAYOUT(sze_dvs_bond_order, 72);
TRV_AT(sze_dvs_bond_order, m_head, 0);
TRV_AT(sze_dvs_bond_order, m_price, 43);
TRV_AT(sze_dvs_bond_order, m_quantity, 47);
TRV_AT(sze_dvs_bond_order, m_side, 55);
TRV_AT(sze_dvs_bond_order, m_order_type, 56);
TRV_AT(sze_dvs_bond_order, m_reserved, 57);
TRV_LAYOUT(sze_dvs_bond_exe, 72);
TRV_AT(sze_dvs_bond_exe, m_head, 0);
TRV_AT(sze_dvs_bond_exe, m_buy_num, 43);
TRV_AT(sze_dvs_bond_exe, m_sell_num, 51);
TRV_AT(sze_dvs_bond_exe, m_price, 59);
TRV_AT(sze_dvs_bond_exe, m_quantity, 63);
TRV_AT(sze_dvs_bond_exe, m_type, 71);
TRV_LAYOUT(sse_dvs_head, 26);
TRV_AT(sse_dvs_head, m_sequence, 0);
TRV_AT(sse_dvs_head, m_reserved_1, 4);
TRV_AT(sse_dvs_head, m_message_type, 8);
TRV_AT(sse_dvs_head, m_message_len, 9);
TRV_AT(sse_dvs_head, m_exchange_id, 11);
TRV_AT(sse_dvs_head, m_quote_date_year, 12);
TRV_AT(sse_dvs_head, m_quote_date_month, 14);
TRV_AT(sse_dvs_head, m_quote_date_day, 15);
TRV_AT(sse_dvs_head, m_send_time, 16);
TRV_AT(sse_dvs_head, m_category_id, 20);
TRV_AT(sse_dvs_head, m_msg_seq_id, 21);
TRV_AT(sse_dvs_head, m_seq_lost_flag, 25);
TRV_LAYOUT(sse_heartbeat, 16);
TRV_AT(sse_heartbeat, m_sequence, 0);
TRV_AT(sse_heartbeat, m_reserved_1, 4);
TRV_AT(sse_heartbeat, m_message_type, 8);
TRV_AT(sse_heartbeat, m_reserved_2, 9);
TRV_LAYOUT(sse_dvs_lev2, 440);
TRV_AT(sse_dvs_lev2, m_head, 0);
TRV_AT(sse_dvs_lev2, m_quote_update_time, 26);
TRV_AT(sse_dvs_lev2, m_symbol, 30);
TRV_AT(sse_dvs_lev2, m_security_type, 39);
TRV_AT(sse_dvs_lev2, m_image_status, 40);
TRV_AT(sse_dvs_lev2, m_reserved_1, 41);
TRV_AT(sse_dvs_lev2, m_pre_close_price, 42);
TRV_AT(sse_dvs_lev2, m_open_price, 46);
TRV_AT(sse_dvs_lev2, m_day_high_price, 50);
TRV_AT(sse_dvs_lev2, m_day_low_price, 54);
TRV_AT(sse_dvs_lev2, m_last_price, 58);
TRV_AT(sse_dvs_lev2, m_today_close_price, 62);
TRV_AT(sse_dvs_lev2, m_instrument_status, 66);
TRV_AT(sse_dvs_lev2, m_trading_status, 67);
TRV_AT(sse_dvs_lev2, m_reserved_2, 68);
TRV_AT(sse_dvs_lev2, m_total_trade_num, 70);
TRV_AT(sse_dvs_lev2, m_total_quantity, 74);
TRV_AT(sse_dvs_lev2, m_total_value, 82);
TRV_AT(sse_dvs_lev2, m_total_bid_quantity, 90);
TRV_AT(sse_dvs_lev2, m_total_bid_weighted_avg_price, 98);
TRV_AT(sse_dvs_lev2, m_total_ask_quantity, 102);
TRV_AT(sse_dvs_lev2, m_total_ask_weighted_avg_price, 110);
TRV_AT(sse_dvs_lev2, m_iopv_high_precision, 114);
TRV_AT(sse_dvs_lev2, m_bid_depth, 118);
TRV_AT(sse_dvs_lev2, m_ask_depth, 119);
TRV_AT(sse_dvs_lev2, m_bid_unit, 120);
TRV_AT(sse_dvs_lev2, m_ask_unit, 280);
TRV_LAYOUT(sse_dvs_idx, 80);
TRV_AT(sse_dvs_idx, m_head, 0);
TRV_AT(sse_dvs_idx, m_quote_update_time, 26);
TRV_AT(sse_dvs_idx, m_symbol, 30);
TRV_AT(sse_dvs_idx, m_security_type, 39);
TRV_AT(sse_dvs_idx, m_pre_close_price, 40);
TRV_AT(sse_dvs_idx, m_open_price, 44);
TRV_AT(sse_dvs_idx, m_total_value, 48);
TRV_AT(sse_dvs_idx, m_day_high_price, 56);
TRV_AT(sse_dvs_idx, m_day_low_price, 60);
TRV_AT(sse_dvs_idx, m_last_price, 64);
TRV_AT(sse_dvs_idx, m_total_quantity, 68);
TRV_AT(sse_dvs_idx, m_today_close_price, 76);
TRV_LAYOUT(sse_dvs_exe, 96);
TRV_AT(sse_dvs_exe, m_head, 0);
TRV_AT(sse_dvs_exe, m_trade_index, 26);
TRV_AT(sse_dvs_exe, m_channel_num, 30);
TRV_AT(sse_dvs_exe, m_symbol, 34);
TRV_AT(sse_dvs_exe, m_trade_time, 43);
TRV_AT(sse_dvs_exe, m_trade_price, 47);
TRV_AT(sse_dvs_exe, m_trade_quantity, 51);
TRV_AT(sse_dvs_exe, m_trade_value, 59);
TRV_AT(sse_dvs_exe, m_trade_buy_num, 67);
TRV_AT(sse_dvs_exe, m_trade_sell_num, 75);
TRV_AT(sse_dvs_exe, m_trade_bs_flag, 83);
TRV_AT(sse_dvs_exe, m_biz_index, 84);
TRV_AT(sse_dvs_exe, m_reserved, 92);
TRV_LAYOUT(sse_dvs_order, 96);
TRV_AT(sse_dvs_order, m_head, 0);
TRV_AT(sse_dvs_order, m_order_index, 26);
TRV_AT(sse_dvs_order, m_channel_num, 30);
TRV_AT(sse_dvs_order, m_symbol, 34);
TRV_AT(sse_dvs_order, m_order_time, 43);
TRV_AT(sse_dvs_order, m_order_type, 47);
TRV_AT(sse_dvs_order, m_order_num, 48);
TRV_AT(sse_dvs_order, m_order_price, 56);
TRV_AT(sse_dvs_order, m_balance, 60);
TRV_AT(sse_dvs_order, m_reserved_0, 68);
TRV_AT(sse_dvs_order, m_side_flag, 83);
TRV_AT(sse_dvs_order, m_biz_index, 84);
TRV_AT(sse_dvs_order, m_reserved_1, 92);
TRV_LAYOUT(sse_dvs_tree, 376);
TRV_AT(sse_dvs_tree, m_head, 0);
TRV_AT(sse_dvs_tree, m_channel_num, 26);
TRV_AT(sse_dvs_tree, m_quote_update_time, 30);
TRV_AT(sse_dvs_tree, m_symbol, 34);
TRV_AT(sse_dvs_tree, m_security_type, 43);
TRV_AT(sse_dvs_tree, m_biz_index, 44);
TRV_AT(sse_dvs_tree, m_pre_close_price, 52);
TRV_AT(sse_dvs_tree, m_open_price, 56);
TRV_AT(sse_dvs_tree, m_day_high_price, 60);
TRV_AT(sse_dvs_tree, m_day_low_price, 64);
TRV_AT(sse_dvs_tree, m_last_price, 68);
TRV_AT(sse_dvs_tree, m_today_close_price, 72);
TRV_AT(sse_dvs_tree, m_instrument_status, 76);
TRV_AT(sse_dvs_tree, m_trading_status, 77);
TRV_AT(sse_dvs_tree, m_reserved_0, 78);
TRV_AT(sse_dvs_tree, m_total_trade_num, 84);
TRV_AT(sse_dvs_tree, m_total_quantity, 88);
TRV_AT(sse_dvs_tree, m_total_value, 96);
TRV_AT(sse_dvs_tree, m_total_bid_quantity, 104);
TRV_AT(sse_dvs_tree, m_total_bid_weighted_avg_price, 112);
TRV_AT(sse_dvs_tree, m_total_ask_quantity, 116);
TRV_AT(sse_dvs_tree, m_total_ask_weighted_avg_price, 124);
TRV_AT(sse_dvs_tree, m_yield_to_maturity, 128);
TRV_AT(sse_dvs_tree, m_bid_depth, 132);
TRV_AT(sse_dvs_tree, m_ask_depth, 133);
TRV_AT(sse_dvs_tree, m_reserved_1, 134);
TRV_AT(sse_dvs_tree, m_bid_unit, 136);
TRV_AT(sse_dvs_tree, m_ask_unit, 256);
TRV_LAYOUT(sse_dvs_stock_option, 232);
TRV_AT(sse_dvs_stock_option, m_head, 0);
TRV_AT(sse_dvs_stock_option, m_quote_update_time, 26);
TRV_AT(sse_dvs_stock_option, m_security_type, 30);
TRV_AT(sse_dvs_stock_option, m_symbol, 31);
TRV_AT(sse_dvs_stock_option, m_image_status, 40);
TRV_AT(sse_dvs_stock_option, m_reserved_1, 41);
TRV_AT(sse_dvs_stock_option, m_pre_close_price, 42);
TRV_AT(sse_dvs_stock_option, m_pre_settle_price, 46);
TRV_AT(sse_dvs_stock_option, m_open_price, 50);
TRV_AT(sse_dvs_stock_option, m_day_high_price, 54);
TRV_AT(sse_dvs_stock_option, m_day_low_price, 58);
TRV_AT(sse_dvs_stock_option, m_last_price, 62);
TRV_AT(sse_dvs_stock_option, m_today_close_price, 66);
TRV_AT(sse_dvs_stock_option, m_today_settle_price, 70);
TRV_AT(sse_dvs_stock_option, m_dynamic_price, 74);
TRV_AT(sse_dvs_stock_option, m_reserved_2, 78);
TRV_AT(sse_dvs_stock_option, m_trading_status, 81);
TRV_AT(sse_dvs_stock_option, m_open_interest, 82);
TRV_AT(sse_dvs_stock_option, m_total_trade_num, 90);
TRV_AT(sse_dvs_stock_option, m_total_quantity, 94);
TRV_AT(sse_dvs_stock_option, m_total_value, 102);
TRV_AT(sse_dvs_stock_option, m_bid_depth, 110);
TRV_AT(sse_dvs_stock_option, m_ask_depth, 111);
TRV_AT(sse_dvs_stock_option, m_bid_unit, 112);
TRV_AT(sse_dvs_stock_option, m_ask_unit, 172);
TRV_LAYOUT(sse_dvs_bond_snap, 424);
TRV_AT(sse_dvs_bond_snap, m_head, 0);
TRV_AT(sse_dvs_bond_snap, m_quote_update_time, 26);
TRV_AT(sse_dvs_bond_snap, m_reserved_0, 30);
TRV_AT(sse_dvs_bond_snap, m_symbol, 34);
TRV_AT(sse_dvs_bond_snap, m_security_type, 43);
TRV_AT(sse_dvs_bond_snap, m_sub_security_type, 44);
TRV_AT(sse_dvs_bond_snap, m_reserved_1, 45);
TRV_AT(sse_dvs_bond_snap, m_pre_close_price, 48);
TRV_AT(sse_dvs_bond_snap, m_open_price, 52);
TRV_AT(sse_dvs_bond_snap, m_day_high_price, 56);
TRV_AT(sse_dvs_bond_snap, m_day_low_price, 60);
TRV_AT(sse_dvs_bond_snap, m_last_price, 64);
TRV_AT(sse_dvs_bond_snap, m_today_close_price, 68);
TRV_AT(sse_dvs_bond_snap, m_instrument_status, 72);
TRV_AT(sse_dvs_bond_snap, m_reserved_2, 73);
TRV_AT(sse_dvs_bond_snap, m_total_trade_num, 76);
TRV_AT(sse_dvs_bond_snap, m_total_quantity, 80);
TRV_AT(sse_dvs_bond_snap, m_total_value, 88);
TRV_AT(sse_dvs_bond_snap, m_total_bid_quantity, 96);
TRV_AT(sse_dvs_bond_snap, m_total_bid_weighted_avg_price, 104);
TRV_AT(sse_dvs_bond_snap, m_total_ask_quantity, 108);
TRV_AT(sse_dvs_bond_snap, m_total_ask_weighted_avg_price, 116);
TRV_AT(sse_dvs_bond_snap, m_withdraw_bid_num, 120);
TRV_AT(sse_dvs_bond_snap, m_withdraw_bid_amount, 124);
TRV_AT(sse_dvs_bond_snap, m_withdraw_bid_price, 132);
TRV_AT(sse_dvs_bond_snap, m_withdraw_ask_num, 140);
TRV_AT(sse_dvs_bond_snap, m_withdraw_ask_amount, 144);
TRV_AT(sse_dvs_bond_snap, m_withdraw_ask_price, 152);
TRV_AT(sse_dvs_bond_snap, m_total_bid_num, 160);
TRV_AT(sse_dvs_bond_snap, m_total_ask_num, 164);
TRV_AT(sse_dvs_bond_snap, m_bid_trade_max_duration, 168);
TRV_AT(sse_dvs_bond_snap, m_ask_trade_max_duration, 172);
TRV_AT(sse_dvs_bond_snap, m_bid_depth, 176);
TRV_AT(sse_dvs_bond_snap, m_ask_depth, 177);
TRV_AT(sse_dvs_bond_snap, m_reserved_3, 178);
TRV_AT(sse_dvs_bond_snap, m_bid_unit, 184);
TRV_AT(sse_dvs_bond_snap, m_ask_unit, 304);
TRV_LAYOUT(sse_dvs_bond_tick, 96);
TRV_AT(sse_dvs_bond_tick, m_head, 0);
TRV_AT(sse_dvs_bond_tick, m_tick_index, 26);
TRV_AT(sse_dvs_bond_tick, m_channel_num, 30);
TRV_AT(sse_dvs_bond_tick, m_symbol, 34);
TRV_AT(sse_dvs_bond_tick, m_security_type, 43);
TRV_AT(sse_dvs_bond_tick, m_sub_security_type, 44);
TRV_AT(sse_dvs_bond_tick, m_tick_time, 45);
TRV_AT(sse_dvs_bond_tick, m_tick_type, 49);
TRV_AT(sse_dvs_bond_tick, m_buy_num, 50);
TRV_AT(sse_dvs_bond_tick, m_sell_num, 58);
TRV_AT(sse_dvs_bond_tick, m_price, 66);
TRV_AT(sse_dvs_bond_tick, m_quantity, 70);
TRV_AT(sse_dvs_bond_tick, m_trade_value, 78);
TRV_AT(sse_dvs_bond_tick, m_side_flag, 86);
TRV_AT(sse_dvs_bond_tick, m_instrument_status, 87);
TRV_AT(sse_dvs_bond_tick, m_reserved, 88);
TRV_LAYOUT(sse_dvs_tick_merge, 72);
TRV_AT(sse_dvs_tick_merge, m_sequence, 0);
TRV_AT(sse_dvs_tick_merge, m_reserved_1, 4);
TRV_AT(sse_dvs_tick_merge, m_message_type, 8);
TRV_AT(sse_dvs_tick_merge, m_tick_index, 9);
TRV_AT(sse_dvs_tick_merge, m_channel_num, 17);
TRV_AT(sse_dvs_tick_merge, m_reserved_2, 19);
TRV_AT(sse_dvs_tick_merge, m_symbol, 21);
TRV_AT(sse_dvs_tick_merge, m_tick_time, 30);
TRV_AT(sse_dvs_tick_merge, m_tick_type, 34);
TRV_AT(sse_dvs_tick_merge, m_buy_num, 35);
TRV_AT(sse_dvs_tick_merge, m_sell_num, 43);
TRV_AT(sse_dvs_tick_merge, m_price, 51);
TRV_AT(sse_dvs_tick_merge, m_quantity, 55);
TRV_AT(sse_dvs_tick_merge, m_trade_value, 63);
TRV_AT(sse_dvs_tick_merge, m_side_flag, 71);
TRV_LAYOUT(sse_dvs_etf, 96);
TRV_AT(sse_dvs_etf, m_head, 0);
TRV_AT(sse_dvs_etf, m_quote_update_time, 26);
TRV_AT(sse_dvs_etf, m_symbol, 30);
TRV_AT(sse_dvs_etf, m_security_type, 39);
TRV_AT(sse_dvs_etf, m_sub_security_type, 40);
TRV_AT(sse_dvs_etf, m_buy_number, 41);
TRV_AT(sse_dvs_etf, m_buy_amount, 45);
TRV_AT(sse_dvs_etf, m_buy_money, 53);
TRV_AT(sse_dvs_etf, m_sell_number, 61);
TRV_AT(sse_dvs_etf, m_sell_amount, 65);
TRV_AT(sse_dvs_etf, m_sell_money, 73);
TRV_AT(sse_dvs_etf, m_reserved_0, 81);
TRV_LAYOUT(sse_dvs_bond_tree, 376);
TRV_AT(sse_dvs_bond_tree, m_head, 0);
TRV_AT(sse_dvs_bond_tree, m_channel_num, 26);
TRV_AT(sse_dvs_bond_tree, m_quote_update_time, 30);
TRV_AT(sse_dvs_bond_tree, m_symbol, 34);
TRV_AT(sse_dvs_bond_tree, m_security_type, 43);
TRV_AT(sse_dvs_bond_tree, m_tick_index, 44);
TRV_AT(sse_dvs_bond_tree, m_pre_close_price, 52);
TRV_AT(sse_dvs_bond_tree, m_open_price, 56);
TRV_AT(sse_dvs_bond_tree, m_day_high_price, 60);
TRV_AT(sse_dvs_bond_tree, m_day_low_price, 64);
TRV_AT(sse_dvs_bond_tree, m_last_price, 68);
TRV_AT(sse_dvs_bond_tree, m_today_close_price, 72);
TRV_AT(sse_dvs_bond_tree, m_instrument_status, 76);
TRV_AT(sse_dvs_bond_tree, m_reserved_0, 77);
TRV_AT(sse_dvs_bond_tree, m_total_trade_num, 84);
TRV_AT(sse_dvs_bond_tree, m_total_quantity, 88);
TRV_AT(sse_dvs_bond_tree, m_total_value, 96);
TRV_AT(sse_dvs_bond_tree, m_total_bid_quantity, 104);
TRV_AT(sse_dvs_bond_tree, m_total_bid_weighted_avg_price, 112);
TRV_AT(sse_dvs_bond_tree, m_total_ask_quantity, 116);
TRV_AT(sse_dvs_bond_tree, m_total_ask_weighted_avg_price, 124);
TRV_AT(sse_dvs_bond_tree, m_reserved_1, 128);
TRV_AT(sse_dvs_bond_tree, m_bid_depth, 132);
TRV_AT(sse_dvs_bond_tree, m_ask_depth, 133);
TRV_AT(sse_dvs_bond_tree, m_reserved_2, 134);
TRV_AT(sse_dvs_bond_tree, m_bid_unit, 136);
TRV_AT(sse_dvs_bond_tree, m_ask_unit, 256);
TRV_LAYOUT(sse_static_msg_header, 12);
TRV_AT(sse_static_msg_header, m_seq_num, 0);
TRV_AT(sse_static_msg_header, m_reserved, 4);
TRV_AT(sse_static_msg_header, m_msg_type, 8);
TRV_AT(sse_static_msg_header, m_msg_body_len, 9);
TRV_AT(sse_static_msg_header, m_batch_finish_flag, 11);
TRV_LAYOUT(sse_static_msg_body, 139);
TRV_AT(sse_static_msg_body, m_exchange_id, 0);
TRV_AT(sse_static_msg_body, m_symbol, 1);
TRV_AT(sse_static_msg_body, m_send_time, 10);
TRV_AT(sse_static_msg_body, m_static_file_date, 14);
TRV_AT(sse_static_msg_body, m_price_limit_type, 23);
TRV_AT(sse_static_msg_body, m_up_limit_price, 24);
TRV_AT(sse_static_msg_body, m_down_limit_price, 32);
TRV_AT(sse_static_msg_body, m_bid_qty_unit, 40);
TRV_AT(sse_static_msg_body, m_ask_qty_unit, 48);
TRV_AT(sse_static_msg_body, m_limit_upper_qty, 56);
TRV_AT(sse_static_msg_body, m_limit_lower_qty, 64);
TRV_AT(sse_static_msg_body, m_price_changge_unit, 72);
TRV_AT(sse_static_msg_body, m_market_upper_qty, 80);
TRV_AT(sse_static_msg_body, m_market_lower_qty, 88);
TRV_AT(sse_static_msg_body, m_security_name, 96);
TRV_AT(sse_static_msg_body, m_ssecurity_type, 105);
TRV_AT(sse_static_msg_body, m_sub_ssecurity_type, 106);
TRV_AT(sse_static_msg_body, m_finance_target_mark, 107);
TRV_AT(sse_static_msg_body, m_ssecurity_target_mark, 108);
TRV_AT(sse_static_msg_body, m_product_status, 109);
TRV_AT(sse_static_msg_body, m_listing_date, 130);
TRV_LAYOUT(sse_static_msg, 151);
TRV_AT(sse_static_msg, m_header, 0);
TRV_AT(sse_static_msg, m_body, 12);
#endif

namespace nq {

// ==== Section: Types and enumerations ====

/** Money amount, fixed point scaled by 10000. */
typedef int64_t amount_t;
/** Price, fixed point scaled by 10000. */
typedef int64_t price_t;
/** Quantity. */
typedef int64_t quantity_t;
/** Bit set of trade-message kinds (TradeMessageType). */
typedef uint32_t trade_message_type_t;

/** Log level. */
enum class ApiLogLevel { LOG_FATAL = 0, LOG_ERROR = 1, LOG_WARN = 2, LOG_INFO = 3, LOG_DEBUG = 4, LOG_TRACE = 5 };
/** Terminal type. */
enum class TerminalType : uint8_t { PC = 1, ANDROID = 2, IOS = 3, WP = 4, STATION = 5, TEL = 6, PC_LINUX = 7 };
/** Market. */
enum class ExchangeIndex : uint8_t { INIT = 0, SH = 1, SZ = 2 };
/** Order side. */
enum class Side : uint8_t { BUY = 1, SELL = 2 };
/** Security type of a quote. */
enum class QuoteSecurityType : uint8_t { STOCK = 1, FUND = 2, BOND = 3, OPTION = 4, INDEX = 5, UNKNOWN = 99 };
/** Investor qualification. */
enum class QualificationType { PUBLIC = 1, COMMON = 2, ORGANIZATION = 3, UNKNOWN = 99 };
/** Resume mode of a trade-message stream. */
enum class TradeResumeType { RESTART = 1, QUICK = 2, SPECIFY = 3, NONE = 99 };
/** Order price type. */
enum class OrderType : uint8_t {
    NONE = 0,
    BEST_FIVE_PRICE_OR_CANCEL = 1,
    LIMIT_PRICE = 2,
    BEST_FIVE_PRICE_TO_LIMIT = 3,
    SELF_BEST = 4,
    COUNTER_BEST = 5,
    MARKET_PRICE_OR_CANCEL = 6,
    MARKET_PRICE_ALL_OR_CANCEL = 7
};
/** Business type; only CASH, BOND_MATCH and PLEDGE_STYLE_REPO can be ordered. */
enum class BusinessType : uint8_t {
    NONE = 0,
    CASH = 1,
    BOND_MATCH = 2,
    ETF = 3,
    ISSUE = 4,
    ALLOT = 5,
    BOND_CONVERT = 6,
    PLEDGE_STYLE_REPO = 7
};
/** Order status. */
enum class OrderStatus : uint8_t {
    INIT = 0,
    ALL_TRADED = 1,
    PART_TRADED = 2,
    PART_CANCELED = 3,
    NOT_TRADED = 4,
    ALL_CANCELED = 5,
    REJECTED = 6,
    /** Number of states. */
    COUNT = 7
};
/** Exchange order status (a character). */
enum ExOrdStatus : char {
    ORD_STATUS_NEW = '0',
    ORD_STATUS_PARTIAL_FILLED = '1',
    ORD_STATUS_FILLED = '2',
    ORD_STATUS_CANCELLED = '4',
    ORD_STATUS_REJECT = '8'
};
/** Exchange execution type (a character). */
enum ExExecType : char { EXEC_TYPE_NEW = '0', EXEC_TYPE_CANCELED = '4', EXEC_TYPE_REJECT = '8', EXEC_TYPE_TRADE = 'F' };
/** Trade-message kinds, combined with bitwise or. */
namespace TradeMessageType {
enum : trade_message_type_t {
    /** Order reports: order, cancel, trade, error and end reports. */
    REPORT = 1,
    /** Raw exchange reports. */
    RAW_REPORT = 2,
    /** Order-book stream: insert, update, error, asset and position messages. */
    ORDER_BOOK = 4
};
}  // namespace TradeMessageType
/** Kind of a trade report. */
enum class TradeReportType : uint8_t {
    UNKNOWN = 0,
    ORDER_RESPONSE = 1,
    CANCEL_RESPONSE = 2,
    TRADE_REPORT = 3,
    ORDER_ERROR_RESPONSE = 4,
    ORDER_END = 5
};
/** Who raised a fund transfer. */
enum class FundTransSource : uint8_t {
    /** Raised by the administration system. */
    ADMIN = 0,
    OTHER = 1
};
/** Direction of a fund transfer. */
enum class FundTransSide : uint8_t {
    UNKNOWN = 0,
    /** From the main counter into the Tarvel counter. */
    IN = 1,
    /** From the Tarvel counter to the main counter. */
    OUT = 2
};
/** State of a fund transfer. */
enum class FundTransStatus : uint8_t { DOING = 0, SUCCESS = 1, FAIL = 2, EXCEPTION = 3 };
/** Execution type of a fund transfer. */
enum class FundTransExecType : uint8_t { NORMAL = 0, ROLLBACK = 1 };
/** Record kinds of the quote decoders. */
enum QuoteMsgType : uint8_t {
    SSE_L1_INDEX = 0,
    SSE_L1_SNAPSHOT = 1,
    SZSE_L1_INDEX = 2,
    SZSE_L1_SNAPSHOT = 3,
    SZSE_L1_BOND_SNAPSHOT = 4,
    SSE_L2_TICK = 32,
    SSE_L2_BOND_TICK = 33,
    SZSE_L2_ORDER = 64,
    SZSE_L2_TRADE = 65
};
/** Multicast market-data channel. */
enum QuoteMCType : uint16_t {
    TRV_SSE_L1 = 1,
    TRV_SZSE_L1 = 2,
    DVS_SSE_L2_STOCK_SNAP = 101,
    DVS_SSE_L2_STOCK_TICK = 102,
    DVS_SSE_L2_INDEX = 103,
    DVS_SSE_L2_BOND_SNAP = 104,
    DVS_SSE_L2_BOND_TICK = 105,
    DVS_SZSE_L2_STOCK_SNAP = 106,
    DVS_SZSE_L2_STOCK_TICK = 107,
    DVS_SZSE_L2_INDEX = 108,
    DVS_SZSE_L2_BOND_SNAP = 109,
    DVS_SZSE_L2_BOND_TICK = 110
};
/** Multicast receiver selection. */
enum QuoteRxMode : uint8_t { RX_MODE_AUTO = 0, RX_MODE_SOCKET = 1, RX_MODE_EFVI = 2 };
#ifndef SWIG
/* Kind of API a session belongs to (login and stop); not part of the Python surface. */
enum class ApiType { PRIVILEGE = 0, TRADE = 1, QUOTE = 2 };
#endif

// ==== Section: Length constants ====

/* Lengths of character arrays, terminating NUL included. */
/** Security code length. */
const int CONST_STR_SECURITY_CODE_LEN = 9;
/** Length of trv_error_info_t::error_msg. */
const int CONST_ERROR_MSG_LEN = 256;
/** Security name length. */
const int CONST_SECURITY_NAME_LEN = 41;
/** Account name length. */
const int CONST_ACC_NAME_LEN = 65;
/** Password length. */
const int CONST_ACC_PASSWD_LEN = 129;
/** Terminal-information string length. */
const int CONST_TERMINAL_INFO_LEN = 257;
/** Library version string length. */
const int CONST_API_VERSION_STR_LEN = 25;
/** Smallest page size of a paged order query. */
const int PAGE_REQ_COUNT_MIN = 1;
/** Exchange order contract number length. */
const int CONST_CL_ORD_ID_LEN = 11;
/** Report identifier length (binary, not a string). */
const int CONST_REPORT_ID_LEN = 32;
/** Exchange execution number length. */
const int CONST_TRD_EXEC_ID_LEN = 17;
/** Fund account name length. */
const int CONST_FUND_ACC_NAME_LEN = 15;
/** Fund-transfer business number length. */
const int CONST_BIZ_NO_LEN = 20;

// ==== Section: Public records ====

/*
 * A time field of type int64_t whose name ends in _time holds a decimal date
 * and time, YYYYMMDDHHMMSSsss (year to millisecond), in one integer:
 * 20240315093000500 is 15 March 2024, 09:30:00.500.
 */

/** Error record of callbacks and of get_last_error. */
struct TRV_PACKED trv_error_info_t {
    /** Error category. */
    uint64_t error_code_type;
    /** Error code within the category. */
    uint64_t error_code;
    /** Message text, always terminated: a peer's text is cut to 255 characters before a callback sees it. */
    char error_msg[CONST_ERROR_MSG_LEN];
};

/** Descriptor in front of every pushed trade message. */
struct TRV_PACKED trv_msg_desc_t {
    /** Trade account index the message belongs to. */
    uint64_t account_index;
    /** Message sequence, the resume point of subscribe_trade_message; 0 is no resume point. */
    uint64_t sequence;
    /** True when pushed in answer to rebuild_trade_message. */
    bool is_rebuild;
};

/**
 * Terminal information a user may pass to login and auth. Every string is a
 * NUL-terminated string owned by the caller, or null.
 */
struct TRV_PACKED trv_user_terminal_info_t {
    /** Local IP address. */
    char* local_ip;
    /** MAC address. */
    char* mac_addr;
    /** Hard-disk serial number. */
    char* hd;
    /** Terminal type. */
    TerminalType term_type;
    /** Public IP address. */
    char* internet_ip;
    /** Public port. */
    int32_t internet_port;
    /** macOS serial number (macOS terminals only). */
    char* macos_sno;
    /** Terminal device name. */
    char* pcn;
    /** CPU serial number. */
    char* cpu_sn;
    /** Disk partition information. */
    char* pi;
    /** System-disk volume serial. */
    char* vol;
    /** Extension information such as the client version. */
    char* extern_info;
};

/** Position of a paged order query; returned with each page and passed back for the next. */
struct TRV_PACKED trv_page_query_reference_t {
    /** Number of sub-tables. */
    uint32_t sub_table_num;
    /** End point (current number of rows) of each sub-table. */
    uint32_t sub_table_end_points[16];
    /** Query position reached in each sub-table. */
    uint32_t positions[16];
};

/** A new order. Natural alignment: 37 bytes of fields, 3 bytes of tail padding. */
struct trv_order_insert_info_t {
    /** Order sequence: set by the user in custom-sequence mode (1 to 2^20-1, 0 lets the library choose), else generated. */
    uint64_t order_sequence;
    /** Limit price, scaled by 10000. */
    price_t price;
    /** Quantity. */
    quantity_t quantity;
    /** Security code, no spaces, NUL-terminated. */
    char security_code[CONST_STR_SECURITY_CODE_LEN];
    /** Market. */
    ExchangeIndex exchange_index;
    /** Order price type. */
    OrderType order_type;
    /** Buy or sell. */
    Side side;
    /** Business type. */
    BusinessType business_type;
};

/** A cancel. */
struct TRV_PACKED trv_cancel_order_info_t {
    /** Sequence of the cancel itself, same rules as in a new order. */
    uint64_t order_sequence;
    /** Order id (xid) of the order to cancel. */
    uint64_t origin_xid;
};

/** A new order was accepted. */
struct TRV_PACKED trv_order_response_t {
    /** Order source chosen at login. */
    uint8_t client_id;
    /** Report identifier (32 bytes, binary). */
    char report_id[CONST_REPORT_ID_LEN];
    /** Order id. */
    uint64_t xid;
    /** Exchange order status. */
    ExOrdStatus ord_status;
    /** Exchange execution type. */
    ExExecType exec_type;
    /** Security code, no spaces. */
    char security_code[CONST_STR_SECURITY_CODE_LEN];
    /** Market. */
    ExchangeIndex exchange_index;
    /** Order price, scaled by 10000. */
    price_t price;
    /** Order quantity. */
    quantity_t quantity;
    /** Side. */
    Side side;
    /** Quantity left open. */
    quantity_t leaves_quantity;
    /** Quantity cancelled. */
    quantity_t cancel_quantity;
    /** Cancel reason (Shanghai immediate-or-cancel remainders). */
    int cancel_reason_id;
    /** Report time, YYYYMMDDHHMMSSsss. */
    int64_t transact_time;
};

/** A cancel was accepted. */
struct TRV_PACKED trv_cancel_response_t {
    /** Order source. */
    uint8_t client_id;
    /** Report identifier (32 bytes, binary). */
    char report_id[CONST_REPORT_ID_LEN];
    /** Xid of the cancel. */
    uint64_t xid;
    /** Xid of the cancelled order. */
    uint64_t origin_xid;
    /** Exchange order status. */
    ExOrdStatus ord_status;
    /** Exchange execution type. */
    ExExecType exec_type;
    /** Quantity cancelled. */
    quantity_t cancel_quantity;
    /** Cancel reason. */
    int cancel_reason_id;
    /** Report time, YYYYMMDDHHMMSSsss. */
    int64_t transact_time;
};

/** A trade; also the element of trade queries. */
struct TRV_PACKED trv_trade_report_t {
    /** Order source. */
    uint8_t client_id;
    /** Report identifier (32 bytes, binary). */
    char report_id[CONST_REPORT_ID_LEN];
    /** Order id. */
    uint64_t xid;
    /** Exchange order status. */
    ExOrdStatus ord_status;
    /** Exchange execution type. */
    ExExecType exec_type;
    /** Exchange execution number (Shanghai: unique with the xid; Shenzhen: unique for the day). */
    char exec_id[CONST_TRD_EXEC_ID_LEN];
    /** Trade price, scaled by 10000. */
    price_t price;
    /** Traded quantity of this trade. */
    quantity_t quantity;
    /** Quantity left open. */
    quantity_t leaves_quantity;
    /** Order quantity. */
    quantity_t order_quantity;
    /** Report time, YYYYMMDDHHMMSSsss. */
    int64_t transact_time;
    /** Traded amount of this trade, scaled by 10000. */
    amount_t amount;
};

/** An order or cancel failed. */
struct TRV_PACKED trv_order_error_response_t {
    /** Order source. */
    uint8_t client_id;
    /** Report identifier (32 bytes, binary). */
    char report_id[CONST_REPORT_ID_LEN];
    /** Order id. */
    uint64_t xid;
    /** Cancelled order's xid (cancels only). */
    uint64_t origin_xid;
    /** 1 when the failed request is a cancel. */
    uint8_t is_cancel_flag;
    /** The error. */
    trv_error_info_t error_info;
    /** Report time, YYYYMMDDHHMMSSsss. */
    int64_t transact_time;
};

/** The order reached a final state. */
struct TRV_PACKED trv_order_end_t {
    /** Order source. */
    uint8_t client_id;
    /** Report identifier (32 bytes, binary). */
    char report_id[CONST_REPORT_ID_LEN];
    /** Order id. */
    uint64_t xid;
    /** Report time, YYYYMMDDHHMMSSsss. */
    int64_t transact_time;
};

/** One order of an order query. */
struct TRV_PACKED trv_order_info_t {
    /** Order source. */
    uint8_t client_id;
    /** Trade account index. */
    uint64_t account_index;
    /** Order id. */
    uint64_t xid;
    /** Cancelled order's xid. */
    uint64_t origin_xid;
    /** Order status. */
    OrderStatus order_status;
    /** 1 when this record is a cancel. */
    uint8_t is_cancel_flag;
    /** Exchange contract number. */
    char cl_order_id[CONST_CL_ORD_ID_LEN];
    /** Contract number of the cancelled order; non-empty for cancels. */
    char origin_cl_order_id[CONST_CL_ORD_ID_LEN];
    /** Security code. */
    char security_code[CONST_STR_SECURITY_CODE_LEN];
    /** Market. */
    ExchangeIndex exchange_index;
    /** Order price type. */
    OrderType order_type;
    /** Side. */
    Side side;
    /** Business type. */
    BusinessType business_type;
    /** Order price. */
    price_t order_price;
    /** Order quantity. */
    quantity_t order_quantity;
    /** Order amount. */
    amount_t order_amount;
    /** Order fee. */
    amount_t order_fee;
    /** Order time, YYYYMMDDHHMMSSsss. */
    int64_t insert_time;
    /** Traded quantity. */
    quantity_t trade_quantity;
    /** Traded amount. */
    amount_t trade_amount;
    /** Trade fee. */
    amount_t trade_fee;
    /** Fixed trade fee. */
    amount_t trade_fix_fee;
    /** Number of trades. */
    uint32_t trade_count;
    /** Quantity left open. */
    quantity_t leaves_quantity;
    /** Quantity cancelled. */
    quantity_t cancel_quantity;
    /** Time of the last trade, YYYYMMDDHHMMSSsss. */
    int64_t trade_time;
    /** Cancel time, YYYYMMDDHHMMSSsss, set only when a cancel succeeded. */
    int64_t cancel_time;
    /** Time of the last update, YYYYMMDDHHMMSSsss. */
    int64_t update_time;
    /** Error of a rejected order. */
    trv_error_info_t error_info;
};

/** Order-book stream: a new order (order status INIT). */
struct TRV_PACKED trv_order_book_insert_t {
    /** Order source. */
    uint8_t client_id;
    /** Trade account index. */
    uint64_t account_index;
    /** Order id. */
    uint64_t xid;
    /** Cancelled order's xid. */
    uint64_t origin_xid;
    /** Order status. */
    OrderStatus order_status;
    /** 1 when this record is a cancel. */
    uint8_t is_cancel_flag;
    /** Exchange contract number. */
    char cl_order_id[CONST_CL_ORD_ID_LEN];
    /** Contract number of the cancelled order. */
    char origin_cl_order_id[CONST_CL_ORD_ID_LEN];
    /** Security code. */
    char security_code[CONST_STR_SECURITY_CODE_LEN];
    /** Market. */
    ExchangeIndex exchange_index;
    /** Order price type. */
    OrderType order_type;
    /** Side. */
    Side side;
    /** Business type. */
    BusinessType business_type;
    /** Order price. */
    price_t order_price;
    /** Order quantity. */
    quantity_t order_quantity;
    /** Order amount. */
    amount_t order_amount;
    /** Order fee. */
    amount_t order_fee;
    /** Order time, YYYYMMDDHHMMSSsss. */
    int64_t insert_time;
};

/** The report behind an order-book update; report_type names the valid member. */
union TRV_PACKED trv_order_book_report_union_t {
    /** Valid when report_type is ORDER_RESPONSE. */
    trv_order_response_t order_response;
    /** Valid when report_type is CANCEL_RESPONSE. */
    trv_cancel_response_t cancel_response;
    /** Valid when report_type is TRADE_REPORT. */
    trv_trade_report_t trade_report;
};

/** Order-book stream: an order changed. */
struct TRV_PACKED trv_order_book_update_t {
    /** Order source. */
    uint8_t client_id;
    /** Trade account index. */
    uint64_t account_index;
    /** Order id. */
    uint64_t xid;
    /** Cancelled order's xid. */
    uint64_t origin_xid;
    /** Order status. */
    OrderStatus order_status;
    /** 1 when this record is a cancel. */
    uint8_t is_cancel_flag;
    /** Exchange contract number. */
    char cl_order_id[CONST_CL_ORD_ID_LEN];
    /** Contract number of the cancelled order. */
    char origin_cl_order_id[CONST_CL_ORD_ID_LEN];
    /** Traded quantity. */
    quantity_t trade_quantity;
    /** Traded amount. */
    amount_t trade_amount;
    /** Trade fee. */
    amount_t trade_fee;
    /** Fixed trade fee. */
    amount_t trade_fix_fee;
    /** Number of trades. */
    uint32_t trade_count;
    /** Quantity left open. */
    quantity_t leaves_quantity;
    /** Quantity cancelled. */
    quantity_t cancel_quantity;
    /** Time of the last trade, YYYYMMDDHHMMSSsss. */
    int64_t trade_time;
    /** Cancel time, YYYYMMDDHHMMSSsss. */
    int64_t cancel_time;
    /** Time of the last update, YYYYMMDDHHMMSSsss. */
    int64_t update_time;
    /** Which member of report is valid: ORDER_RESPONSE, CANCEL_RESPONSE or TRADE_REPORT. */
    TradeReportType report_type;
    /** The report that caused the update. */
    trv_order_book_report_union_t report;
};

/** Order-book stream: an order or cancel failed. */
struct TRV_PACKED trv_order_book_error_t {
    /** Order source. */
    uint8_t client_id;
    /** Trade account index. */
    uint64_t account_index;
    /** Order id. */
    uint64_t xid;
    /** Cancelled order's xid. */
    uint64_t origin_xid;
    /** Order status. */
    OrderStatus order_status;
    /** 1 when this record is a cancel. */
    uint8_t is_cancel_flag;
    /** Exchange contract number. */
    char cl_order_id[CONST_CL_ORD_ID_LEN];
    /** Contract number of the cancelled order. */
    char origin_cl_order_id[CONST_CL_ORD_ID_LEN];
    /** Time of the last update, YYYYMMDDHHMMSSsss. */
    int64_t update_time;
    /** The failure. */
    trv_order_error_response_t order_error;
};

/** A position. */
struct TRV_PACKED trv_position_info_t {
    /** Trade account index. */
    uint64_t account_index;
    /** Security code. */
    char security_code[CONST_STR_SECURITY_CODE_LEN];
    /** Market. */
    ExchangeIndex exchange_index;
    /** Total position. */
    quantity_t total_quantity;
    /** Sellable position. */
    quantity_t sellable_quantity;
    /** Quantity frozen by sell orders. */
    quantity_t frozen_quantity;
};

/** A start-of-day position. */
struct TRV_PACKED trv_init_position_info_t {
    /** Trade account index. */
    uint64_t account_index;
    /** Security code. */
    char security_code[CONST_STR_SECURITY_CODE_LEN];
    /** Market. */
    ExchangeIndex exchange_index;
    /** Start-of-day sellable quantity. */
    quantity_t initial_quantity;
    /** Total position. */
    quantity_t total_quantity;
    /** Frozen quantity. */
    quantity_t frozen_quantity;
};

/** A brief position (privileged query). */
struct TRV_PACKED trv_brief_position_t {
    /** Trade account index. */
    uint64_t account_index;
    /** Security code. */
    char security_code[CONST_STR_SECURITY_CODE_LEN];
    /** Market. */
    ExchangeIndex exchange_index;
    /** Total position. */
    quantity_t total_quantity;
    /** Sellable position. */
    quantity_t sellable_quantity;
};

/** Assets of a trade account. */
struct TRV_PACKED trv_asset_info_t {
    /** Trade account index. */
    uint64_t account_index;
    /** Available funds. */
    amount_t available_amount;
    /** Funds held back by open buy orders. */
    amount_t withholding_amount;
    /** Accumulated bought amount. */
    amount_t fund_buy_amount;
    /** Accumulated buy fees. */
    amount_t fund_buy_fee;
    /** Accumulated sold amount. */
    amount_t fund_sell_amount;
    /** Accumulated sell fees. */
    amount_t fund_sell_fee;
    /** Amount transferred out today. */
    amount_t withdraw_amount;
    /** Amount transferred in today. */
    amount_t deposit_amount;
    /** Amount that may be withdrawn. */
    amount_t withdrawable_amount;
};

/** Start-of-day assets. */
struct TRV_PACKED trv_init_asset_info_t {
    /** Trade account index. */
    uint64_t account_index;
    /** Start-of-day available funds. */
    amount_t initial_amount;
    /** Account balance. */
    amount_t fund_balance;
};

/** Brief assets (privileged query). */
struct TRV_PACKED trv_brief_asset_t {
    /** Trade account index. */
    uint64_t account_index;
    /** Available funds. */
    amount_t available_amount;
    /** Amount transferred out today. */
    amount_t withdraw_amount;
    /** Amount transferred in today. */
    amount_t deposit_amount;
};

/** Filter of an order query. */
struct TRV_PACKED trv_order_query_param_t {
    /** Order to look up; when non-zero the other fields are ignored. */
    uint64_t xid;
    /** Security code; empty for all securities. */
    char security_code[CONST_STR_SECURITY_CODE_LEN];
    /** Start of the time window, YYYYMMDDHHMMSSsss; 0 is 00:00 of the trading day. */
    int64_t begin_time;
    /** End of the time window, YYYYMMDDHHMMSSsss; 0 is now. */
    int64_t end_time;
    /** 1 to query only unfinished orders. */
    uint8_t query_unfinished;
};

/** A trade account. */
struct TRV_PACKED trv_trade_account_info_t {
    /** Trade account index. */
    uint64_t account_index;
    /** Account category (reserved). */
    uint8_t account_type;
    /** Trade account name. */
    char account_name[CONST_ACC_NAME_LEN];
    /** Fund account index. */
    uint64_t fund_account_index;
    /** Fund account name. */
    char fund_account_name[CONST_FUND_ACC_NAME_LEN];
};

/** Head shared by every fund-transfer record. */
struct TRV_PACKED trv_fund_transfer_head_t {
    /** Trade account index. */
    uint64_t account_index;
    /** Business number of the transfer, unique across systems. */
    char biz_no[CONST_BIZ_NO_LEN];
};

/** Transfer between the main counter and the Tarvel counter. */
struct TRV_PACKED trv_counter_fund_transfer_request_t {
    /** Trade account index. */
    uint64_t account_index;
    /** Business number. */
    char biz_no[CONST_BIZ_NO_LEN];
    /** Who raised it. */
    FundTransSource source;
    /** Direction. */
    FundTransSide side;
    /** Amount, scaled by 10000. */
    amount_t amount;
    /** Request time, YYYYMMDDHHMMSSsss, local time (set by the library). */
    int64_t request_time;
};

/** Result of a counter fund transfer. */
struct TRV_PACKED trv_counter_fund_transfer_result_t {
    /** Trade account index. */
    uint64_t account_index;
    /** Business number. */
    char biz_no[CONST_BIZ_NO_LEN];
    /** Who raised it. */
    FundTransSource source;
    /** Direction. */
    FundTransSide side;
    /** Amount, scaled by 10000. */
    amount_t amount;
    /** Request time, YYYYMMDDHHMMSSsss. */
    int64_t request_time;
    /** Result time, YYYYMMDDHHMMSSsss. */
    int64_t result_time;
    /** Transfer state. */
    FundTransStatus status;
    /** The error; valid when status is FAIL. */
    trv_error_info_t error_info;
};

/** Transfer between the two centres (the receiving account). */
struct TRV_PACKED trv_cluster_fund_transfer_request_t {
    /** Account index of the receiving account. */
    uint64_t account_index;
    /** Business number. */
    char biz_no[CONST_BIZ_NO_LEN];
    /** Who raised it. */
    FundTransSource source;
    /** Amount, scaled by 10000. */
    amount_t amount;
    /** Request time, YYYYMMDDHHMMSSsss. */
    int64_t request_time;
};

/** Result of a cluster fund transfer. */
struct TRV_PACKED trv_cluster_fund_transfer_result_t {
    /** Account index of the receiving account. */
    uint64_t account_index;
    /** Business number. */
    char biz_no[CONST_BIZ_NO_LEN];
    /** Who raised it. */
    FundTransSource source;
    /** Amount, scaled by 10000. */
    amount_t amount;
    /** Request time, YYYYMMDDHHMMSSsss. */
    int64_t request_time;
    /** Result time, YYYYMMDDHHMMSSsss. */
    int64_t result_time;
    /** Transfer state. */
    FundTransStatus status;
    /** The error; valid when status is FAIL. */
    trv_error_info_t error_info;
};

/** Execution of a transfer on an account (privileged). */
struct TRV_PACKED trv_fund_transfer_exec_request_t {
    /** Trade account index. */
    uint64_t account_index;
    /** Business number. */
    char biz_no[CONST_BIZ_NO_LEN];
    /** Direction. */
    FundTransSide side;
    /** Amount, scaled by 10000. */
    amount_t amount;
    /** 0: no check, 1: check the available funds. */
    uint8_t check_flag;
    /** NORMAL or ROLLBACK. */
    FundTransExecType exec_type;
};

/** Result of a transfer execution. */
struct TRV_PACKED trv_fund_transfer_exec_result_t {
    /** Trade account index. */
    uint64_t account_index;
    /** Business number. */
    char biz_no[CONST_BIZ_NO_LEN];
    /** Direction. */
    FundTransSide side;
    /** Amount, scaled by 10000. */
    amount_t amount;
    /** 0: no check, 1: check the available funds. */
    uint8_t check_flag;
    /** NORMAL or ROLLBACK. */
    FundTransExecType exec_type;
    /** Time of the transfer. */
    int64_t time;
    /** Transfer state. */
    FundTransStatus status;
    /** The error when the transfer failed. */
    trv_error_info_t error_info;
};

/** A trade token was issued (privileged publication). */
struct TRV_PACKED trv_internal_token_info_t {
    /** Session of the token holder. */
    uint64_t session_id;
    /** Order-entry way. */
    uint32_t trade_way;
    /** Token id. */
    uint64_t token_id;
    /** Login account index. */
    uint64_t login_account_index;
    /** Trade account index. */
    uint64_t trade_account_index;
    /** The login's client id. */
    uint8_t client_id;
    /** Terminal information (the user's, or the one the library collected). */
    char terminal_info[CONST_TERMINAL_INFO_LEN];
    /** Terminal information collected by the library. */
    char terminal_info_auto[CONST_TERMINAL_INFO_LEN];
    /** Library version of the token holder. */
    char api_version[CONST_API_VERSION_STR_LEN];
};

/** A market-data login or logout (privileged publication). */
struct TRV_PACKED trv_internal_quote_login_info_t {
    /** Login account index. */
    uint64_t account_index;
    /** Shanghai level-2 permission (0 none, 1 Shanghai). */
    uint8_t sh_l2_flag;
    /** Shenzhen level-2 permission (0 none, 1 Shenzhen). */
    uint8_t sz_l2_flag;
    /** Client IP address (text). */
    char client_ip[46];
    /** Client port. */
    uint16_t client_port;
    /** 0: login, 1: logout. */
    uint8_t detail_type;
    /** Time of the event. */
    int64_t time;
};

// ==== Section: Layout checks: public records ====

#ifndef SWIG
TRV_LAYOUT(trv_error_info_t, 272);
TRV_AT(trv_error_info_t, error_code, 8);
TRV_AT(trv_error_info_t, error_msg, 16);
TRV_LAYOUT(trv_msg_desc_t, 17);
TRV_AT(trv_msg_desc_t, is_rebuild, 16);
TRV_LAYOUT(trv_user_terminal_info_t, 85);
TRV_AT(trv_user_terminal_info_t, term_type, 24);
TRV_AT(trv_user_terminal_info_t, internet_ip, 25);
TRV_AT(trv_user_terminal_info_t, internet_port, 33);
TRV_AT(trv_user_terminal_info_t, macos_sno, 37);
TRV_AT(trv_user_terminal_info_t, extern_info, 77);
TRV_LAYOUT(trv_page_query_reference_t, 132);
TRV_AT(trv_page_query_reference_t, sub_table_end_points, 4);
TRV_AT(trv_page_query_reference_t, positions, 68);
TRV_LAYOUT(trv_order_insert_info_t, 40);
TRV_ALIGN(trv_order_insert_info_t, 8); /* natural alignment */
TRV_AT(trv_order_insert_info_t, price, 8);
TRV_AT(trv_order_insert_info_t, quantity, 16);
TRV_AT(trv_order_insert_info_t, security_code, 24);
TRV_AT(trv_order_insert_info_t, exchange_index, 33);
TRV_AT(trv_order_insert_info_t, order_type, 34);
TRV_AT(trv_order_insert_info_t, side, 35);
TRV_AT(trv_order_insert_info_t, business_type, 36);
TRV_LAYOUT(trv_cancel_order_info_t, 16);
TRV_AT(trv_cancel_order_info_t, origin_xid, 8);
TRV_LAYOUT(trv_order_response_t, 98);
TRV_AT(trv_order_response_t, report_id, 1);
TRV_AT(trv_order_response_t, xid, 33);
TRV_AT(trv_order_response_t, ord_status, 41);
TRV_AT(trv_order_response_t, exec_type, 42);
TRV_AT(trv_order_response_t, security_code, 43);
TRV_AT(trv_order_response_t, exchange_index, 52);
TRV_AT(trv_order_response_t, price, 53);
TRV_AT(trv_order_response_t, quantity, 61);
TRV_AT(trv_order_response_t, side, 69);
TRV_AT(trv_order_response_t, leaves_quantity, 70);
TRV_AT(trv_order_response_t, cancel_quantity, 78);
TRV_AT(trv_order_response_t, cancel_reason_id, 86);
TRV_AT(trv_order_response_t, transact_time, 90);
TRV_LAYOUT(trv_cancel_response_t, 71);
TRV_AT(trv_cancel_response_t, xid, 33);
TRV_AT(trv_cancel_response_t, origin_xid, 41);
TRV_AT(trv_cancel_response_t, ord_status, 49);
TRV_AT(trv_cancel_response_t, exec_type, 50);
TRV_AT(trv_cancel_response_t, cancel_quantity, 51);
TRV_AT(trv_cancel_response_t, cancel_reason_id, 59);
TRV_AT(trv_cancel_response_t, transact_time, 63);
TRV_LAYOUT(trv_trade_report_t, 108);
TRV_AT(trv_trade_report_t, xid, 33);
TRV_AT(trv_trade_report_t, ord_status, 41);
TRV_AT(trv_trade_report_t, exec_type, 42);
TRV_AT(trv_trade_report_t, exec_id, 43);
TRV_AT(trv_trade_report_t, price, 60);
TRV_AT(trv_trade_report_t, quantity, 68);
TRV_AT(trv_trade_report_t, leaves_quantity, 76);
TRV_AT(trv_trade_report_t, order_quantity, 84);
TRV_AT(trv_trade_report_t, transact_time, 92);
TRV_AT(trv_trade_report_t, amount, 100);
TRV_LAYOUT(trv_order_error_response_t, 330);
TRV_AT(trv_order_error_response_t, xid, 33);
TRV_AT(trv_order_error_response_t, origin_xid, 41);
TRV_AT(trv_order_error_response_t, is_cancel_flag, 49);
TRV_AT(trv_order_error_response_t, error_info, 50);
TRV_AT(trv_order_error_response_t, error_info.error_msg, 66);
TRV_AT(trv_order_error_response_t, transact_time, 322);
TRV_LAYOUT(trv_order_end_t, 49);
TRV_AT(trv_order_end_t, xid, 33);
TRV_AT(trv_order_end_t, transact_time, 41);
TRV_LAYOUT(trv_order_info_t, 450);
TRV_AT(trv_order_info_t, account_index, 1);
TRV_AT(trv_order_info_t, xid, 9);
TRV_AT(trv_order_info_t, origin_xid, 17);
TRV_AT(trv_order_info_t, order_status, 25);
TRV_AT(trv_order_info_t, is_cancel_flag, 26);
TRV_AT(trv_order_info_t, cl_order_id, 27);
TRV_AT(trv_order_info_t, origin_cl_order_id, 38);
TRV_AT(trv_order_info_t, security_code, 49);
TRV_AT(trv_order_info_t, exchange_index, 58);
TRV_AT(trv_order_info_t, order_type, 59);
TRV_AT(trv_order_info_t, side, 60);
TRV_AT(trv_order_info_t, business_type, 61);
TRV_AT(trv_order_info_t, order_price, 62);
TRV_AT(trv_order_info_t, order_quantity, 70);
TRV_AT(trv_order_info_t, order_amount, 78);
TRV_AT(trv_order_info_t, order_fee, 86);
TRV_AT(trv_order_info_t, insert_time, 94);
TRV_AT(trv_order_info_t, trade_quantity, 102);
TRV_AT(trv_order_info_t, trade_amount, 110);
TRV_AT(trv_order_info_t, trade_fee, 118);
TRV_AT(trv_order_info_t, trade_fix_fee, 126);
TRV_AT(trv_order_info_t, trade_count, 134);
TRV_AT(trv_order_info_t, leaves_quantity, 138);
TRV_AT(trv_order_info_t, cancel_quantity, 146);
TRV_AT(trv_order_info_t, trade_time, 154);
TRV_AT(trv_order_info_t, cancel_time, 162);
TRV_AT(trv_order_info_t, update_time, 170);
TRV_AT(trv_order_info_t, error_info, 178);
TRV_LAYOUT(trv_order_book_insert_t, 102);
TRV_AT(trv_order_book_insert_t, business_type, 61);
TRV_AT(trv_order_book_insert_t, insert_time, 94);
TRV_LAYOUT(trv_order_book_report_union_t, 108);
TRV_LAYOUT(trv_order_book_update_t, 234);
TRV_AT(trv_order_book_update_t, trade_quantity, 49);
TRV_AT(trv_order_book_update_t, trade_amount, 57);
TRV_AT(trv_order_book_update_t, trade_fee, 65);
TRV_AT(trv_order_book_update_t, trade_fix_fee, 73);
TRV_AT(trv_order_book_update_t, trade_count, 81);
TRV_AT(trv_order_book_update_t, leaves_quantity, 85);
TRV_AT(trv_order_book_update_t, cancel_quantity, 93);
TRV_AT(trv_order_book_update_t, trade_time, 101);
TRV_AT(trv_order_book_update_t, cancel_time, 109);
TRV_AT(trv_order_book_update_t, update_time, 117);
TRV_AT(trv_order_book_update_t, report_type, 125);
TRV_AT(trv_order_book_update_t, report, 126);
TRV_AT(trv_order_book_update_t, report.trade_report.amount, 226);
TRV_AT(trv_order_book_update_t, report.cancel_response.transact_time, 189);
TRV_LAYOUT(trv_order_book_error_t, 387);
TRV_AT(trv_order_book_error_t, update_time, 49);
TRV_AT(trv_order_book_error_t, order_error, 57);
TRV_AT(trv_order_book_error_t, order_error.error_info.error_code, 115);
TRV_AT(trv_order_book_error_t, order_error.transact_time, 379);
TRV_LAYOUT(trv_position_info_t, 42);
TRV_AT(trv_position_info_t, security_code, 8);
TRV_AT(trv_position_info_t, exchange_index, 17);
TRV_AT(trv_position_info_t, total_quantity, 18);
TRV_AT(trv_position_info_t, sellable_quantity, 26);
TRV_AT(trv_position_info_t, frozen_quantity, 34);
TRV_LAYOUT(trv_init_position_info_t, 42);
TRV_AT(trv_init_position_info_t, initial_quantity, 18);
TRV_AT(trv_init_position_info_t, total_quantity, 26);
TRV_AT(trv_init_position_info_t, frozen_quantity, 34);
TRV_LAYOUT(trv_brief_position_t, 34);
TRV_AT(trv_brief_position_t, sellable_quantity, 26);
TRV_LAYOUT(trv_asset_info_t, 80);
TRV_AT(trv_asset_info_t, withholding_amount, 16);
TRV_AT(trv_asset_info_t, withdrawable_amount, 72);
TRV_LAYOUT(trv_init_asset_info_t, 24);
TRV_AT(trv_init_asset_info_t, fund_balance, 16);
TRV_LAYOUT(trv_brief_asset_t, 32);
TRV_AT(trv_brief_asset_t, deposit_amount, 24);
TRV_LAYOUT(trv_order_query_param_t, 34);
TRV_AT(trv_order_query_param_t, security_code, 8);
TRV_AT(trv_order_query_param_t, begin_time, 17);
TRV_AT(trv_order_query_param_t, end_time, 25);
TRV_AT(trv_order_query_param_t, query_unfinished, 33);
TRV_LAYOUT(trv_trade_account_info_t, 97);
TRV_AT(trv_trade_account_info_t, account_type, 8);
TRV_AT(trv_trade_account_info_t, account_name, 9);
TRV_AT(trv_trade_account_info_t, fund_account_index, 74);
TRV_AT(trv_trade_account_info_t, fund_account_name, 82);
TRV_LAYOUT(trv_fund_transfer_head_t, 28);
TRV_AT(trv_fund_transfer_head_t, biz_no, 8);
TRV_LAYOUT(trv_counter_fund_transfer_request_t, 46);
TRV_AT(trv_counter_fund_transfer_request_t, source, 28);
TRV_AT(trv_counter_fund_transfer_request_t, side, 29);
TRV_AT(trv_counter_fund_transfer_request_t, amount, 30);
TRV_AT(trv_counter_fund_transfer_request_t, request_time, 38);
TRV_LAYOUT(trv_counter_fund_transfer_result_t, 327);
TRV_AT(trv_counter_fund_transfer_result_t, result_time, 46);
TRV_AT(trv_counter_fund_transfer_result_t, status, 54);
TRV_AT(trv_counter_fund_transfer_result_t, error_info, 55);
TRV_LAYOUT(trv_cluster_fund_transfer_request_t, 45);
TRV_AT(trv_cluster_fund_transfer_request_t, source, 28);
TRV_AT(trv_cluster_fund_transfer_request_t, amount, 29);
TRV_AT(trv_cluster_fund_transfer_request_t, request_time, 37);
TRV_LAYOUT(trv_cluster_fund_transfer_result_t, 326);
TRV_AT(trv_cluster_fund_transfer_result_t, result_time, 45);
TRV_AT(trv_cluster_fund_transfer_result_t, status, 53);
TRV_AT(trv_cluster_fund_transfer_result_t, error_info, 54);
TRV_LAYOUT(trv_fund_transfer_exec_request_t, 39);
TRV_AT(trv_fund_transfer_exec_request_t, side, 28);
TRV_AT(trv_fund_transfer_exec_request_t, amount, 29);
TRV_AT(trv_fund_transfer_exec_request_t, check_flag, 37);
TRV_AT(trv_fund_transfer_exec_request_t, exec_type, 38);
TRV_LAYOUT(trv_fund_transfer_exec_result_t, 320);
TRV_AT(trv_fund_transfer_exec_result_t, time, 39);
TRV_AT(trv_fund_transfer_exec_result_t, status, 47);
TRV_AT(trv_fund_transfer_exec_result_t, error_info, 48);
TRV_LAYOUT(trv_internal_token_info_t, 576);
TRV_AT(trv_internal_token_info_t, trade_way, 8);
TRV_AT(trv_internal_token_info_t, token_id, 12);
TRV_AT(trv_internal_token_info_t, login_account_index, 20);
TRV_AT(trv_internal_token_info_t, trade_account_index, 28);
TRV_AT(trv_internal_token_info_t, client_id, 36);
TRV_AT(trv_internal_token_info_t, terminal_info, 37);
TRV_AT(trv_internal_token_info_t, terminal_info_auto, 294);
TRV_AT(trv_internal_token_info_t, api_version, 551);
TRV_LAYOUT(trv_internal_quote_login_info_t, 67);
TRV_AT(trv_internal_quote_login_info_t, sh_l2_flag, 8);
TRV_AT(trv_internal_quote_login_info_t, sz_l2_flag, 9);
TRV_AT(trv_internal_quote_login_info_t, client_ip, 10);
TRV_AT(trv_internal_quote_login_info_t, client_port, 56);
TRV_AT(trv_internal_quote_login_info_t, detail_type, 58);
TRV_AT(trv_internal_quote_login_info_t, time, 59);
TRV_AT(trv_msg_desc_t, sequence, 8);
TRV_AT(trv_user_terminal_info_t, mac_addr, 8);
TRV_AT(trv_user_terminal_info_t, hd, 16);
TRV_AT(trv_user_terminal_info_t, pcn, 45);
TRV_AT(trv_user_terminal_info_t, cpu_sn, 53);
TRV_AT(trv_user_terminal_info_t, pi, 61);
TRV_AT(trv_user_terminal_info_t, vol, 69);
TRV_AT(trv_cancel_response_t, report_id, 1);
TRV_AT(trv_trade_report_t, report_id, 1);
TRV_AT(trv_order_error_response_t, report_id, 1);
TRV_AT(trv_order_end_t, report_id, 1);
TRV_AT(trv_order_book_update_t, account_index, 1);
TRV_AT(trv_order_book_update_t, xid, 9);
TRV_AT(trv_order_book_update_t, origin_xid, 17);
TRV_AT(trv_order_book_update_t, order_status, 25);
TRV_AT(trv_order_book_update_t, is_cancel_flag, 26);
TRV_AT(trv_order_book_update_t, cl_order_id, 27);
TRV_AT(trv_order_book_update_t, origin_cl_order_id, 38);
TRV_AT(trv_order_book_error_t, account_index, 1);
TRV_AT(trv_order_book_error_t, xid, 9);
TRV_AT(trv_order_book_error_t, origin_xid, 17);
TRV_AT(trv_order_book_error_t, order_status, 25);
TRV_AT(trv_order_book_error_t, is_cancel_flag, 26);
TRV_AT(trv_order_book_error_t, cl_order_id, 27);
TRV_AT(trv_order_book_error_t, origin_cl_order_id, 38);
TRV_AT(trv_asset_info_t, available_amount, 8);
TRV_AT(trv_asset_info_t, fund_buy_amount, 24);
TRV_AT(trv_asset_info_t, fund_buy_fee, 32);
TRV_AT(trv_asset_info_t, fund_sell_amount, 40);
TRV_AT(trv_asset_info_t, fund_sell_fee, 48);
TRV_AT(trv_asset_info_t, withdraw_amount, 56);
TRV_AT(trv_asset_info_t, deposit_amount, 64);
TRV_AT(trv_counter_fund_transfer_request_t, biz_no, 8);
TRV_AT(trv_cluster_fund_transfer_request_t, biz_no, 8);
TRV_AT(trv_fund_transfer_exec_request_t, biz_no, 8);
TRV_AT(trv_order_book_insert_t, account_index, 1);
TRV_AT(trv_order_book_insert_t, xid, 9);
TRV_AT(trv_order_book_insert_t, origin_xid, 17);
TRV_AT(trv_order_book_insert_t, order_status, 25);
TRV_AT(trv_order_book_insert_t, is_cancel_flag, 26);
TRV_AT(trv_order_book_insert_t, cl_order_id, 27);
TRV_AT(trv_order_book_insert_t, origin_cl_order_id, 38);
TRV_AT(trv_order_book_insert_t, security_code, 49);
TRV_AT(trv_order_book_insert_t, exchange_index, 58);
TRV_AT(trv_order_book_insert_t, order_type, 59);
TRV_AT(trv_order_book_insert_t, side, 60);
TRV_AT(trv_order_book_insert_t, order_price, 62);
TRV_AT(trv_order_book_insert_t, order_quantity, 70);
TRV_AT(trv_order_book_insert_t, order_amount, 78);
TRV_AT(trv_order_book_insert_t, order_fee, 86);
TRV_AT(trv_brief_asset_t, available_amount, 8);
TRV_AT(trv_brief_asset_t, withdraw_amount, 16);
TRV_AT(trv_brief_position_t, security_code, 8);
TRV_AT(trv_brief_position_t, exchange_index, 17);
TRV_AT(trv_brief_position_t, total_quantity, 18);
TRV_AT(trv_init_position_info_t, security_code, 8);
TRV_AT(trv_init_position_info_t, exchange_index, 17);
TRV_AT(trv_init_asset_info_t, initial_amount, 8);
TRV_AT(trv_counter_fund_transfer_result_t, biz_no, 8);
TRV_AT(trv_counter_fund_transfer_result_t, source, 28);
TRV_AT(trv_counter_fund_transfer_result_t, side, 29);
TRV_AT(trv_counter_fund_transfer_result_t, amount, 30);
TRV_AT(trv_counter_fund_transfer_result_t, request_time, 38);
TRV_AT(trv_cluster_fund_transfer_result_t, biz_no, 8);
TRV_AT(trv_cluster_fund_transfer_result_t, source, 28);
TRV_AT(trv_cluster_fund_transfer_result_t, amount, 29);
TRV_AT(trv_cluster_fund_transfer_result_t, request_time, 37);
TRV_AT(trv_fund_transfer_exec_result_t, biz_no, 8);
TRV_AT(trv_fund_transfer_exec_result_t, side, 28);
TRV_AT(trv_fund_transfer_exec_result_t, amount, 29);
TRV_AT(trv_fund_transfer_exec_result_t, check_flag, 37);
TRV_AT(trv_fund_transfer_exec_result_t, exec_type, 38);
TRV_AT(trv_order_response_t, client_id, 0);
/* Enumerations held in records have fixed widths. */
TRV_LAYOUT(ExchangeIndex, 1);
TRV_LAYOUT(Side, 1);
TRV_LAYOUT(OrderType, 1);
TRV_LAYOUT(BusinessType, 1);
TRV_LAYOUT(OrderStatus, 1);
TRV_LAYOUT(ExOrdStatus, 1);
TRV_LAYOUT(ExExecType, 1);
TRV_LAYOUT(TradeReportType, 1);
TRV_LAYOUT(FundTransSource, 1);
TRV_LAYOUT(FundTransSide, 1);
TRV_LAYOUT(FundTransStatus, 1);
TRV_LAYOUT(FundTransExecType, 1);
TRV_LAYOUT(QuoteSecurityType, 1);
TRV_LAYOUT(TerminalType, 1);
TRV_LAYOUT(QuoteMsgType, 1);
TRV_LAYOUT(QuoteRxMode, 1);
TRV_LAYOUT(QuoteMCType, 2);
#endif

// ==== Section: Configuration classes ====

/* Quote-side records defined with the market-data records. */
struct trv_level1_quote_t;
struct trv_static_quote_full_info_t;
union trv_tick_quote_union_t;

/**
 * Trading configuration, copied by TRVTradeApi::initialize.
 * A new object is all zero except the order timeout, 10 seconds.
 */
class TRV_API_EXPORT TRVTradeConfig {
public:
    TRVTradeConfig();

    /**
     * Sets the local addresses from dotted IPv4 text, port 0.
     * @param agw local address of the gateway TCP connections ("0.0.0.0" for any)
     * @param trade local address of the order path; null to use the gateway one
     * @return false when agw is null or a text is not an IPv4 address
     * Remarks: when trade is refused the gateway address has already been set.
     */
    bool set_local_addr(const char* agw, const char* trade);
    /**
     * Appends one gateway address (at most 32).
     * @param ip_addr dotted IPv4 text of the gateway
     * @param port TCP port of the gateway
     * @return false when the list is full or ip_addr is not an IPv4 address
     * Remarks: a null ip_addr appends 255.255.255.255 with port 0.
     */
    bool add_agw_addr(const char* ip_addr, uint16_t port);
    /**
     * Returns a copy of a local address.
     * @param index 0 for the gateway side, 1 for the order path
     * @return the address; all zero for any other index
     */
    sockaddr get_local_addr(uint64_t index) const;
    /**
     * Sets the trading day.
     * @param trading_day trading day as yyyymmdd
     */
    void set_trading_day(uint64_t trading_day) { trading_day_ = trading_day; }
    /**
     * Returns the trading day.
     * @return trading day as yyyymmdd
     */
    uint64_t trading_day() const { return trading_day_; }
    /**
     * Returns the number of gateway addresses.
     * @return 0 to 32
     */
    uint64_t agw_count() const { return agw_count_; }
    /**
     * Returns the gateway list.
     * @return pointer to the first of the 32 gateway address slots
     */
    sockaddr* agw_addrs() { return reinterpret_cast<sockaddr*>(agw_addrs_); }
    /**
     * Sets the order timeout.
     * @param timeout seconds after which an order without report is reported by on_order_timeout; 10 by
     * default; 0 is refused: TRVTradeApi::initialize then fails with error 301 "allocate trade context failed,
     * likely local address error (or other errors)" (the library's own text; the log says "order timeout must
     * be at least 1 second")
     * Remarks: measured on the host's monotonic clock, as are the request timeout and the heartbeats: a
     * step of the wall clock (time synchronisation, a manual correction) neither brings a time-out forward
     * nor holds it back.
     */
    void set_order_timeout(uint16_t timeout) { order_timeout_ = timeout; }
    /**
     * Returns the order timeout.
     * @return seconds
     */
    uint16_t order_timeout() const { return order_timeout_; }
    /**
     * Selects user-defined order sequences.
     * @param self_define true when every order and cancel carries its own order_sequence
     */
    void set_order_seq_self_define(bool self_define) { order_seq_self_define_ = self_define; }
    /**
     * Tells whether order sequences are user-defined.
     * @return true when the user supplies order_sequence
     */
    bool is_order_seq_self_define() const { return order_seq_self_define_; }

private:
#ifndef SWIG
    static void check_layout_() {
        TRV_LAYOUT(TRVTradeConfig, 568);
        TRV_ALIGN(TRVTradeConfig, 8);
        TRV_AT(TRVTradeConfig, local_addrs_, 8);
        TRV_AT(TRVTradeConfig, agw_count_, 40);
        TRV_AT(TRVTradeConfig, agw_addrs_, 48);
        TRV_AT(TRVTradeConfig, order_timeout_, 560);
        TRV_AT(TRVTradeConfig, order_seq_self_define_, 562);
    }
#endif
    uint64_t trading_day_;
    sockaddr_in local_addrs_[2];
    uint64_t agw_count_;
    sockaddr_in agw_addrs_[32];
    uint16_t order_timeout_;
    bool order_seq_self_define_;
};

/** Privileged configuration; the same as the trading configuration. */
class TRV_API_EXPORT TRVPrivilegeConfig : public TRVTradeConfig {};

/**
 * Market-data configuration, copied by TRVQuoteApi::initialize.
 * A new object is all zero (level 2 off).
 */
class TRV_API_EXPORT TRVQuoteConfig {
public:
    TRVQuoteConfig();

    /**
     * Sets the local addresses from dotted IPv4 text, port 0.
     * @param agw local address of the gateway TCP connections ("0.0.0.0" for any)
     * @param quote local address of the market-data receivers; null to use the gateway one
     * @return false when agw is null or a text is not an IPv4 address
     * Remarks: when quote is refused the gateway address has already been set.
     */
    bool set_local_addr(const char* agw, const char* quote);
    /**
     * Appends one gateway address (at most 32).
     * @param ip_addr dotted IPv4 text of the gateway
     * @param port TCP port of the gateway
     * @return false when the list is full or ip_addr is not an IPv4 address
     * Remarks: a null ip_addr appends 255.255.255.255 with port 0.
     */
    bool add_agw_addr(const char* ip_addr, uint16_t port);
    /**
     * Returns a copy of a local address.
     * @param index 0 for the gateway side, 1 for the market-data receivers
     * @return the address; all zero for any other index
     */
    sockaddr get_local_addr(uint64_t index) const;
    /**
     * Sets the trading day.
     * @param trading_day trading day as yyyymmdd
     */
    void set_trading_day(uint64_t trading_day) { trading_day_ = trading_day; }
    /**
     * Returns the trading day.
     * @return trading day as yyyymmdd
     */
    uint64_t trading_day() const { return trading_day_; }
    /**
     * Returns the number of gateway addresses.
     * @return 0 to 32
     */
    uint64_t agw_count() const { return agw_count_; }
    /**
     * Returns the gateway list.
     * @return pointer to the first of the 32 gateway address slots
     */
    sockaddr* agw_addrs() { return reinterpret_cast<sockaddr*>(agw_addrs_); }
    /**
     * Selects level-2 market data.
     * @param use_level2 true when level-2 data is wanted
     */
    void set_use_level2(bool use_level2) { use_level2_ = use_level2; }
    /**
     * Tells whether level-2 market data is wanted.
     * @return true when level 2 is on
     */
    bool use_level2() const { return use_level2_; }

private:
#ifndef SWIG
    static void check_layout_() {
        TRV_LAYOUT(TRVQuoteConfig, 584);
        TRV_ALIGN(TRVQuoteConfig, 8);
        TRV_AT(TRVQuoteConfig, local_addrs_, 8);
        TRV_AT(TRVQuoteConfig, reserved_, 40);
        TRV_AT(TRVQuoteConfig, agw_count_, 56);
        TRV_AT(TRVQuoteConfig, agw_addrs_, 64);
        TRV_AT(TRVQuoteConfig, use_level2_, 576);
    }
#endif
    uint64_t trading_day_;
    sockaddr_in local_addrs_[2];
    unsigned char reserved_[16];
    uint64_t agw_count_;
    sockaddr_in agw_addrs_[32];
    bool use_level2_;
};

#ifndef SWIG
TRV_LAYOUT(TRVPrivilegeConfig, 568); /* adds nothing to TRVTradeConfig */
#endif

// ==== Section: Callback interfaces ====

class TRVOrderList;
class TRVInitAssetList;
class TRVInitPositionList;
class TRVAssetList;
class TRVPositionList;
class TRVTradeReportList;
class TRVTradeAccountInfoList;
class TRVStaticQuoteList;
class TRVLevel1QuoteList;
class TRVFundTransferExecResultList;
class TRVFundTransferRequestList;
class TRVFundTransferResultList;
class TRVClusterFundTransferRequestList;
class TRVClusterFundTransferResultList;
class TRVAccountIndexList;
class TRVBriefAssetList;
class TRVBriefPositionList;

/**
 * Trading callbacks. Every operation does nothing by default; override what is needed.
 * Callbacks run on the library's threads, possibly several at once; records and lists
 * passed in are valid only until the callback returns. A callback must not throw.
 * An answer to a request that is no longer open, or that comes on another session than
 * its request's, is dropped without a callback; so is a message shorter than its layout
 * (logged at WARN). The fixed-size text fields of pushed records point into the message
 * and are not terminated by the library.
 * The object must live until stop of its interface has returned: stop waits for the
 * callbacks under way on the library's threads, so a callback must not wait for
 * anything the thread calling stop holds during the call (a lock taken around stop,
 * for example) or for that thread itself; it would wait for ever.
 */
class TRV_API_EXPORT TRVTradeSpi {
public:
    virtual ~TRVTradeSpi();

    /**
     * The TCP session was lost (called on the library's heartbeat thread,
     * never for a session the program closed itself).
     * @param session_id the lost session
     * Remarks: after it the program must call login again. on_disconnect ends
     * every request still outstanding on that session: none of them is
     * answered or timed out afterwards, so the program treats each as failed
     * here. The one exception is a login still under way, which ends with its
     * own on_login (error 311, "timeout") at its request timeout. Orders and
     * cancels are not requests: each one of the session that had no report
     * yet still ends with its own on_order_timeout at its order timeout,
     * meaning "outcome unknown" (its datagram went to the order node on its
     * own and may have reached the exchange). A peer that takes no bytes for
     * 5 s also ends its session ("session send stalled").
     */
    virtual void on_disconnect(uint64_t session_id);
    /**
     * No report came for an order or cancel within the order timeout: its
     * outcome is unknown.
     * @param session_id session of the order
     * @param xid the order id
     * Remarks: the order has not necessarily failed; query its state (or
     * resend it while its session lives). Called once for every order and
     * cancel without a report at its timeout, also when its session was lost
     * or logged out meanwhile (after on_disconnect), so that every order ends
     * in a report or in this call; a report that comes later is still
     * delivered. Not called once the trading API is stopped.
     */
    virtual void on_order_timeout(uint64_t session_id, uint64_t xid);
    /**
     * End of a login.
     * @param session_id the session of this login; after a failure (error_info set) it is closed right after
     *        this call and its id is not usable any more
     * @param request_id the request id of the login
     * @param error_info the error, or null on success
     */
    virtual void on_login(uint64_t session_id, uint64_t request_id, const trv_error_info_t* error_info);
    /**
     * End of an authorisation.
     * @param session_id the session
     * @param request_id the request id
     * @param trade_token the trade token issued; later trading requests carry it
     * @param error_info the error, or null on success
     */
    virtual void on_auth_trade(uint64_t session_id, uint64_t request_id, uint64_t trade_token,
                               const trv_error_info_t* error_info);
    /**
     * Answer to a trade-message subscription.
     * @param session_id the session
     * @param request_id the request id
     * @param start_sequence 0 for RESTART, latest_sequence for QUICK, the requested start for SPECIFY
     * @param latest_sequence the gateway's newest sequence
     * @param error_info the error, or null on success
     */
    virtual void on_subscribe_trade_message(uint64_t session_id, uint64_t request_id, uint64_t start_sequence,
                                            uint64_t latest_sequence, const trv_error_info_t* error_info);
    /**
     * Answer to a trade-message replay.
     * @param session_id the session
     * @param request_id the request id
     * @param start_sequence the requested first sequence
     * @param end_sequence the requested last sequence
     * @param error_info the error, or null on success
     */
    virtual void on_rebuild_trade_message(uint64_t session_id, uint64_t request_id, uint64_t start_sequence,
                                          uint64_t end_sequence, const trv_error_info_t* error_info);
    /**
     * Rows of a position query.
     * @param session_id the session
     * @param request_id the request id
     * @param positions the rows of this response
     * @param is_last true on the last response to request_id
     * @param error_info the error, or null on success
     * Remarks: return quickly, later messages wait; one request may bring several responses.
     */
    virtual void on_query_positions(uint64_t session_id, uint64_t request_id, const TRVPositionList* positions,
                                    bool is_last, const trv_error_info_t* error_info);
    /**
     * Rows of an asset query.
     * @param session_id the session
     * @param request_id the request id
     * @param assets the rows of this response
     * @param is_last true on the last response to request_id
     * @param error_info the error, or null on success
     * Remarks: return quickly, later messages wait.
     */
    virtual void on_query_assets(uint64_t session_id, uint64_t request_id, const TRVAssetList* assets, bool is_last,
                                 const trv_error_info_t* error_info);
    /**
     * Rows of an order query.
     * @param session_id the session
     * @param request_id the request id
     * @param orders the rows of this response
     * @param is_last true on the last response to request_id
     * @param error_info the error, or null on success
     * Remarks: return quickly, later messages wait.
     */
    virtual void on_query_orders(uint64_t session_id, uint64_t request_id, const TRVOrderList* orders, bool is_last,
                                 const trv_error_info_t* error_info);
    /**
     * One page of a paged order query.
     * @param session_id the session
     * @param request_id the request id
     * @param order_infos the rows of this page
     * @param req_count the page size asked for
     * @param rsp_count the number of rows answered
     * @param query_reference position to pass to the request for the next page
     * @param is_last true on the last response to request_id
     * @param error_info the error, or null on success
     * Remarks: return quickly, later messages wait; one request may bring several responses.
     */
    virtual void on_query_orders_by_page(uint64_t session_id, uint64_t request_id, const TRVOrderList* order_infos,
                                         uint64_t req_count, uint64_t rsp_count,
                                         const trv_page_query_reference_t* query_reference, bool is_last,
                                         const trv_error_info_t* error_info);
    /**
     * Rows of a trade query.
     * @param session_id the session
     * @param request_id the request id
     * @param trade_reports the rows of this response
     * @param is_last true on the last response to request_id
     * @param error_info the error, or null on success
     * Remarks: return quickly, later messages wait.
     */
    virtual void on_query_trades(uint64_t session_id, uint64_t request_id, const TRVTradeReportList* trade_reports,
                                 bool is_last, const trv_error_info_t* error_info);
    /**
     * Rows of a start-of-day asset query.
     * @param session_id the session
     * @param request_id the request id
     * @param init_assets the rows of this response
     * @param is_last true on the last response to request_id
     * @param error_info the error, or null on success
     */
    virtual void on_query_init_assets(uint64_t session_id, uint64_t request_id, const TRVInitAssetList* init_assets,
                                      bool is_last, const trv_error_info_t* error_info);
    /**
     * Rows of a start-of-day position query.
     * @param session_id the session
     * @param request_id the request id
     * @param init_positions the rows of this response
     * @param is_last true on the last response to request_id
     * @param error_info the error, or null on success
     */
    virtual void on_query_init_positions(uint64_t session_id, uint64_t request_id,
                                         const TRVInitPositionList* init_positions, bool is_last,
                                         const trv_error_info_t* error_info);
    /**
     * Rows of a trade-account query.
     * @param session_id the session
     * @param request_id the request id
     * @param trade_account_infos the rows of this response
     * @param is_last true on the last response to request_id
     * @param error_info the error, or null on success
     */
    virtual void on_query_trade_account_info(uint64_t session_id, uint64_t request_id,
                                             const TRVTradeAccountInfoList* trade_account_infos, bool is_last,
                                             const trv_error_info_t* error_info);
    /**
     * A new order was accepted (pushed with REPORT).
     * @param session_id the session
     * @param msg_desc the message descriptor
     * @param order_response the report
     */
    virtual void on_order_response(uint64_t session_id, const trv_msg_desc_t* msg_desc,
                                   const trv_order_response_t* order_response);
    /**
     * A cancel was accepted (pushed with REPORT).
     * @param session_id the session
     * @param msg_desc the message descriptor
     * @param cancel_response the report
     */
    virtual void on_cancel_response(uint64_t session_id, const trv_msg_desc_t* msg_desc,
                                    const trv_cancel_response_t* cancel_response);
    /**
     * A trade (pushed with REPORT).
     * @param session_id the session
     * @param msg_desc the message descriptor
     * @param trade_report the report
     */
    virtual void on_trade_report(uint64_t session_id, const trv_msg_desc_t* msg_desc,
                                 const trv_trade_report_t* trade_report);
    /**
     * An order or cancel failed: internal rejection, exchange rejection, invalid order, failed cancel
     * (pushed with REPORT).
     * @param session_id the session
     * @param msg_desc the message descriptor
     * @param order_error_response the report
     */
    virtual void on_order_error_response(uint64_t session_id, const trv_msg_desc_t* msg_desc,
                                         const trv_order_error_response_t* order_error_response);
    /**
     * The order reached a final state: filled, cancelled, invalid (pushed with REPORT).
     * @param session_id the session
     * @param msg_desc the message descriptor
     * @param order_end the report
     */
    virtual void on_order_end(uint64_t session_id, const trv_msg_desc_t* msg_desc, const trv_order_end_t* order_end);
    /**
     * The exchange's own execution report (pushed with RAW_REPORT), decoded by the program.
     * @param session_id the session
     * @param msg_desc the message descriptor
     * @param client_id the order-source id chosen at login
     * @param xid the order id
     * @param report_id 32-byte report identifier, not a string
     * @param exchange_index the market
     * @param platform_type the exchange platform
     * @param gateway_index the exchange gateway
     * @param report_size length of raw_report in bytes
     * @param raw_report the exchange's report
     */
    virtual void on_raw_report(uint64_t session_id, const trv_msg_desc_t* msg_desc, uint8_t client_id, uint64_t xid,
                               char report_id[32], ExchangeIndex exchange_index, uint16_t platform_type,
                               uint16_t gateway_index, uint32_t report_size, char* raw_report);
    /**
     * A counter fund-transfer request (pushed whatever is subscribed).
     * @param session_id the session
     * @param msg_desc the message descriptor
     * @param fund_transfer_request the request
     */
    virtual void on_counter_fund_transfer_request(uint64_t session_id, const trv_msg_desc_t* msg_desc,
                                                  const trv_counter_fund_transfer_request_t* fund_transfer_request);
    /**
     * A counter fund-transfer result (pushed whatever is subscribed).
     * @param session_id the session
     * @param msg_desc the message descriptor
     * @param fund_transfer_result the result
     */
    virtual void on_counter_fund_transfer_result(uint64_t session_id, const trv_msg_desc_t* msg_desc,
                                                 const trv_counter_fund_transfer_result_t* fund_transfer_result);
    /**
     * A cluster fund-transfer request (pushed whatever is subscribed).
     * @param session_id the session
     * @param msg_desc the message descriptor
     * @param cluster_fund_transfer_request the request
     */
    virtual void on_cluster_fund_transfer_request(
        uint64_t session_id, const trv_msg_desc_t* msg_desc,
        const trv_cluster_fund_transfer_request_t* cluster_fund_transfer_request);
    /**
     * A cluster fund-transfer result (pushed whatever is subscribed).
     * @param session_id the session
     * @param msg_desc the message descriptor
     * @param cluster_fund_transfer_result the result
     */
    virtual void on_cluster_fund_transfer_result(
        uint64_t session_id, const trv_msg_desc_t* msg_desc,
        const trv_cluster_fund_transfer_result_t* cluster_fund_transfer_result);
    /**
     * Order-book stream: a new order (pushed with ORDER_BOOK).
     * @param session_id the session
     * @param msg_desc the message descriptor
     * @param order_insert the order
     */
    virtual void on_order_book_insert(uint64_t session_id, const trv_msg_desc_t* msg_desc,
                                      const trv_order_book_insert_t* order_insert);
    /**
     * Order-book stream: an order changed (pushed with ORDER_BOOK).
     * @param session_id the session
     * @param msg_desc the message descriptor
     * @param order_update the change
     */
    virtual void on_order_book_update(uint64_t session_id, const trv_msg_desc_t* msg_desc,
                                      const trv_order_book_update_t* order_update);
    /**
     * Order-book stream: an order or cancel failed (pushed with ORDER_BOOK).
     * @param session_id the session
     * @param msg_desc the message descriptor
     * @param order_error the failure
     */
    virtual void on_order_book_error(uint64_t session_id, const trv_msg_desc_t* msg_desc,
                                     const trv_order_book_error_t* order_error);
    /**
     * Assets of a trade account changed (pushed with ORDER_BOOK).
     * @param session_id the session
     * @param msg_desc the message descriptor
     * @param asset_info the assets
     */
    virtual void on_asset(uint64_t session_id, const trv_msg_desc_t* msg_desc, const trv_asset_info_t* asset_info);
    /**
     * A position changed (pushed with ORDER_BOOK).
     * @param session_id the session
     * @param msg_desc the message descriptor
     * @param position_info the position
     */
    virtual void on_position(uint64_t session_id, const trv_msg_desc_t* msg_desc,
                             const trv_position_info_t* position_info);
};

/** Privileged callbacks: the trading ones, then these. */
class TRV_API_EXPORT TRVPrivilegeSpi : public TRVTradeSpi {
public:
    virtual ~TRVPrivilegeSpi();

    /**
     * A trade token was issued.
     * @param session_id the session
     * @param msg_desc the message descriptor
     * @param token the token
     */
    virtual void on_token(uint64_t session_id, const trv_msg_desc_t* msg_desc, const trv_internal_token_info_t* token);
    /**
     * A market-data login or logout.
     * @param session_id the session
     * @param msg_desc the message descriptor
     * @param quote_login_info the event
     */
    virtual void on_quote_login_info(uint64_t session_id, const trv_msg_desc_t* msg_desc,
                                     const trv_internal_quote_login_info_t* quote_login_info);
    /**
     * Result of a fund-transfer execution (pushed whatever is subscribed).
     * @param session_id the session
     * @param msg_desc the message descriptor
     * @param fund_transfer_exec_result the result
     */
    virtual void on_fund_transfer_exec_result(uint64_t session_id, const trv_msg_desc_t* msg_desc,
                                              const trv_fund_transfer_exec_result_t* fund_transfer_exec_result);
    /**
     * Answer to a final-file dump.
     * @param session_id the session
     * @param request_id the request id
     * @param success whether the export succeeded
     * @param error_info the error, or null on success
     */
    virtual void on_dump_final_file(uint64_t session_id, uint64_t request_id, bool success,
                                    const trv_error_info_t* error_info);
    /**
     * Answer to unbinding a user from a trade gateway.
     * @param session_id the session
     * @param request_id the request id
     * @param account_index the account
     * @param error_info the error, or null on success
     */
    virtual void on_unbind_user_tgw(uint64_t session_id, uint64_t request_id, uint64_t account_index,
                                    const trv_error_info_t* error_info);
    /**
     * Rows of a brief asset query.
     * @param session_id the session
     * @param request_id the request id
     * @param brief_assets the rows of this response
     * @param is_last true on the last response to request_id
     * @param error_info the error, or null on success
     */
    virtual void on_query_brief_assets(uint64_t session_id, uint64_t request_id, const TRVBriefAssetList* brief_assets,
                                       bool is_last, const trv_error_info_t* error_info);
    /**
     * Rows of a brief position query.
     * @param session_id the session
     * @param request_id the request id
     * @param brief_positions the rows of this response
     * @param is_last true on the last response to request_id
     * @param error_info the error, or null on success
     */
    virtual void on_query_brief_positions(uint64_t session_id, uint64_t request_id,
                                          const TRVBriefPositionList* brief_positions, bool is_last,
                                          const trv_error_info_t* error_info);
};

/**
 * Market-data callbacks. Every operation does nothing by default; override what is needed.
 * on_quote runs on the market-data receiver threads, the others on the library's handler,
 * timer and heartbeat threads. A callback must not throw. The object must live until stop
 * has returned (stop waits for the callbacks under way, on_quote included): a callback
 * must not wait for anything the thread calling stop holds during the call.
 */
class TRV_API_EXPORT TRVQuoteSpi {
public:
    virtual ~TRVQuoteSpi();

    /**
     * The TCP session was lost (called on the library's heartbeat thread,
     * never for a session the program closed itself).
     * @param session_id the lost session
     * Remarks: after it the program must call login again. on_disconnect ends
     * every request still outstanding on that session: none of them is
     * answered or timed out afterwards, so the program treats each as failed
     * here. The one exception is a login still under way, which ends with its
     * own on_login (error 311, "timeout") at its request timeout. A peer that
     * takes no bytes for 5 s also ends its session ("session send stalled").
     */
    virtual void on_disconnect(uint64_t session_id);
    /**
     * End of a login.
     * @param session_id the session of this login; after a failure (error_info set) it is closed right after
     *        this call and its id is not usable any more
     * @param request_id the request id of the login
     * @param error_info the error, or null on success
     */
    virtual void on_login(uint64_t session_id, uint64_t request_id, const trv_error_info_t* error_info);
    /**
     * One received multicast datagram, undecoded.
     * @param mc_type the channel's multicast type
     * @param msg_data the UDP payload, valid during the call
     * @param msg_len its length in bytes as received
     */
    virtual void on_quote(QuoteMCType mc_type, const void* msg_data, uint32_t msg_len);
    /**
     * Rows of a static quote information query.
     * @param session_id the session
     * @param request_id the request id
     * @param static_quotes the rows of this response
     * @param is_last true on the last response to request_id
     * @param error_info the error, or null on success
     * Remarks: return quickly, later messages wait; one request may bring several responses.
     */
    virtual void on_query_static_quote_info(uint64_t session_id, uint64_t request_id,
                                            const TRVStaticQuoteList* static_quotes, bool is_last,
                                            const trv_error_info_t* error_info);
    /**
     * Answer to a level-1 quote query.
     * @param session_id the session
     * @param request_id the request id
     * @param level1_quote the quote, or null on error
     * @param error_info the error, or null on success
     */
    virtual void on_query_level1_quote(uint64_t session_id, uint64_t request_id, const trv_level1_quote_t* level1_quote,
                                       const trv_error_info_t* error_info);
    /**
     * Rows of the all-level-1 quote query.
     * @param session_id the session
     * @param request_id the request id
     * @param level1_quotes the rows of this response
     * @param is_last true on the last response to request_id
     * @param error_info the error, or null on success
     * Remarks: return quickly, later messages wait; one request may bring several responses.
     */
    virtual void on_query_all_level1_quote(uint64_t session_id, uint64_t request_id,
                                           const TRVLevel1QuoteList* level1_quotes, bool is_last,
                                           const trv_error_info_t* error_info);
    /**
     * Error answer to a level-2 tick rebuild request.
     * @param session_id the session
     * @param request_id the request id
     * @param error_info the error
     */
    virtual void on_request_rebuild_tick_quote_error(uint64_t session_id, uint64_t request_id,
                                                     const trv_error_info_t* error_info);
    /**
     * One rebuilt level-2 tick record.
     * @param session_id the session
     * @param request_id the request id
     * @param exchange_index the market
     * @param msg_type which member of tick_quote is valid
     * @param tick_quote the record
     */
    virtual void on_rebuild_tick_quote(uint64_t session_id, uint64_t request_id, ExchangeIndex exchange_index,
                                       QuoteMsgType msg_type, const trv_tick_quote_union_t* tick_quote);
};

// ==== Section: Result lists ====

/** Orders of an order query. A list handed to a callback is valid only during the call. */
class TRV_API_EXPORT TRVOrderList {
public:
    /**
     * Returns the number of rows.
     * @return the number of rows
     */
    virtual size_t data_count() const = 0;
    /**
     * Returns one row.
     * @param index row index, from 0 to data_count() - 1
     * @return the row; the library's own lists return null for an index outside the page
     */
    virtual const trv_order_info_t* get(int index) const = 0;

protected:
    virtual ~TRVOrderList() {}
};

/** Start-of-day assets. A list handed to a callback is valid only during the call. */
class TRV_API_EXPORT TRVInitAssetList {
public:
    /**
     * Returns the number of rows.
     * @return the number of rows
     */
    virtual size_t data_count() const = 0;
    /**
     * Returns one row.
     * @param index row index, from 0 to data_count() - 1
     * @return the row; the library's own lists return null for an index outside the page
     */
    virtual const trv_init_asset_info_t* get(int index) const = 0;

protected:
    virtual ~TRVInitAssetList() {}
};

/** Start-of-day positions. A list handed to a callback is valid only during the call. */
class TRV_API_EXPORT TRVInitPositionList {
public:
    /**
     * Returns the number of rows.
     * @return the number of rows
     */
    virtual size_t data_count() const = 0;
    /**
     * Returns one row.
     * @param index row index, from 0 to data_count() - 1
     * @return the row; the library's own lists return null for an index outside the page
     */
    virtual const trv_init_position_info_t* get(int index) const = 0;

protected:
    virtual ~TRVInitPositionList() {}
};

/** Assets of an asset query. A list handed to a callback is valid only during the call. */
class TRV_API_EXPORT TRVAssetList {
public:
    /**
     * Returns the number of rows.
     * @return the number of rows
     */
    virtual size_t data_count() const = 0;
    /**
     * Returns one row.
     * @param index row index, from 0 to data_count() - 1
     * @return the row; the library's own lists return null for an index outside the page
     */
    virtual const trv_asset_info_t* get(int index) const = 0;

protected:
    virtual ~TRVAssetList() {}
};

/** Positions of a position query. A list handed to a callback is valid only during the call. */
class TRV_API_EXPORT TRVPositionList {
public:
    /**
     * Returns the number of rows.
     * @return the number of rows
     */
    virtual size_t data_count() const = 0;
    /**
     * Returns one row.
     * @param index row index, from 0 to data_count() - 1
     * @return the row; the library's own lists return null for an index outside the page
     */
    virtual const trv_position_info_t* get(int index) const = 0;

protected:
    virtual ~TRVPositionList() {}
};

/** Trades of a trade query. A list handed to a callback is valid only during the call. */
class TRV_API_EXPORT TRVTradeReportList {
public:
    /**
     * Returns the number of rows.
     * @return the number of rows
     */
    virtual size_t data_count() const = 0;
    /**
     * Returns one row.
     * @param index row index, from 0 to data_count() - 1
     * @return the row; the library's own lists return null for an index outside the page
     */
    virtual const trv_trade_report_t* get(int index) const = 0;

protected:
    virtual ~TRVTradeReportList() {}
};

/** Trade accounts. A list handed to a callback is valid only during the call. */
class TRV_API_EXPORT TRVTradeAccountInfoList {
public:
    /**
     * Returns the number of rows.
     * @return the number of rows
     */
    virtual size_t data_count() const = 0;
    /**
     * Returns one row.
     * @param index row index, from 0 to data_count() - 1
     * @return the row; the library's own lists return null for an index outside the page
     */
    virtual const trv_trade_account_info_t* get(int index) const = 0;

protected:
    virtual ~TRVTradeAccountInfoList() {}
};

/** Static quote information. A list handed to a callback is valid only during the call. */
class TRV_API_EXPORT TRVStaticQuoteList {
public:
    /**
     * Returns the number of rows.
     * @return the number of rows
     */
    virtual size_t data_count() const = 0;
    /**
     * Returns one row.
     * @param index row index, from 0 to data_count() - 1
     * @return the row; the library's own lists return null for an index outside the page
     */
    virtual const trv_static_quote_full_info_t* get(int index) const = 0;

protected:
    virtual ~TRVStaticQuoteList() {}
};

/** Level-1 quotes. A list handed to a callback is valid only during the call. */
class TRV_API_EXPORT TRVLevel1QuoteList {
public:
    /**
     * Returns the number of rows.
     * @return the number of rows
     */
    virtual size_t data_count() const = 0;
    /**
     * Returns one row.
     * @param index row index, from 0 to data_count() - 1
     * @return the row; the library's own lists return null for an index outside the page
     */
    virtual const trv_level1_quote_t* get(int index) const = 0;

protected:
    virtual ~TRVLevel1QuoteList() {}
};

/** Fund-transfer execution results. A list handed to a callback is valid only during the call. */
class TRV_API_EXPORT TRVFundTransferExecResultList {
public:
    /**
     * Returns the number of rows.
     * @return the number of rows
     */
    virtual size_t data_count() const = 0;
    /**
     * Returns one row.
     * @param index row index, from 0 to data_count() - 1
     * @return the row; the library's own lists return null for an index outside the page
     */
    virtual const trv_fund_transfer_exec_result_t* get(int index) const = 0;

protected:
    virtual ~TRVFundTransferExecResultList() {}
};

/** Counter fund-transfer requests. A list handed to a callback is valid only during the call. */
class TRV_API_EXPORT TRVFundTransferRequestList {
public:
    /**
     * Returns the number of rows.
     * @return the number of rows
     */
    virtual size_t data_count() const = 0;
    /**
     * Returns one row.
     * @param index row index, from 0 to data_count() - 1
     * @return the row; the library's own lists return null for an index outside the page
     */
    virtual const trv_counter_fund_transfer_request_t* get(int index) const = 0;

protected:
    virtual ~TRVFundTransferRequestList() {}
};

/** Counter fund-transfer results. A list handed to a callback is valid only during the call. */
class TRV_API_EXPORT TRVFundTransferResultList {
public:
    /**
     * Returns the number of rows.
     * @return the number of rows
     */
    virtual size_t data_count() const = 0;
    /**
     * Returns one row.
     * @param index row index, from 0 to data_count() - 1
     * @return the row; the library's own lists return null for an index outside the page
     */
    virtual const trv_counter_fund_transfer_result_t* get(int index) const = 0;

protected:
    virtual ~TRVFundTransferResultList() {}
};

/** Cluster fund-transfer requests. A list handed to a callback is valid only during the call. */
class TRV_API_EXPORT TRVClusterFundTransferRequestList {
public:
    /**
     * Returns the number of rows.
     * @return the number of rows
     */
    virtual size_t data_count() const = 0;
    /**
     * Returns one row.
     * @param index row index, from 0 to data_count() - 1
     * @return the row; the library's own lists return null for an index outside the page
     */
    virtual const trv_cluster_fund_transfer_request_t* get(int index) const = 0;

protected:
    virtual ~TRVClusterFundTransferRequestList() {}
};

/** Cluster fund-transfer results. A list handed to a callback is valid only during the call. */
class TRV_API_EXPORT TRVClusterFundTransferResultList {
public:
    /**
     * Returns the number of rows.
     * @return the number of rows
     */
    virtual size_t data_count() const = 0;
    /**
     * Returns one row.
     * @param index row index, from 0 to data_count() - 1
     * @return the row; the library's own lists return null for an index outside the page
     */
    virtual const trv_cluster_fund_transfer_result_t* get(int index) const = 0;

protected:
    virtual ~TRVClusterFundTransferResultList() {}
};

/** Account indexes. A list handed to a callback is valid only during the call. */
class TRV_API_EXPORT TRVAccountIndexList {
public:
    /**
     * Returns the number of rows.
     * @return the number of rows
     */
    virtual size_t data_count() const = 0;
    /**
     * Returns one row.
     * @param index row index, from 0 to data_count() - 1
     * @return the row; the library's own lists return null for an index outside the page
     */
    virtual const uint64_t* get(int index) const = 0;

protected:
    virtual ~TRVAccountIndexList() {}
};

/** Brief assets of a privileged query. A list handed to a callback is valid only during the call. */
class TRV_API_EXPORT TRVBriefAssetList {
public:
    /**
     * Returns the number of rows.
     * @return the number of rows
     */
    virtual size_t data_count() const = 0;
    /**
     * Returns one row.
     * @param index row index, from 0 to data_count() - 1
     * @return the row; the library's own lists return null for an index outside the page
     */
    virtual const trv_brief_asset_t* get(int index) const = 0;

protected:
    virtual ~TRVBriefAssetList() {}
};

/** Brief positions of a privileged query. A list handed to a callback is valid only during the call. */
class TRV_API_EXPORT TRVBriefPositionList {
public:
    /**
     * Returns the number of rows.
     * @return the number of rows
     */
    virtual size_t data_count() const = 0;
    /**
     * Returns one row.
     * @param index row index, from 0 to data_count() - 1
     * @return the row; the library's own lists return null for an index outside the page
     */
    virtual const trv_brief_position_t* get(int index) const = 0;

protected:
    virtual ~TRVBriefPositionList() {}
};

// ==== Section: Security filter ====

#ifndef SWIG
/**
 * Bitmap over security codes with which a program tests quickly whether a code belongs
 * to a set it built. Codes are 8 characters, shorter ones padded with spaces.
 */
class TRV_API_EXPORT TRVSecurityFilter {
public:
    TRVSecurityFilter();
    ~TRVSecurityFilter();
    /**
     * Adds a code to the set.
     * @param code security code
     * @return false when the code cannot be held by the filter
     */
    bool add(const char* code);
    /**
     * Tests a code.
     * @param code security code
     * @return true when the code is in the set, or when the filter is disabled
     */
    bool check(const char* code) const;

private:
    TRVSecurityFilter(const TRVSecurityFilter&) = delete;
    TRVSecurityFilter& operator=(const TRVSecurityFilter&) = delete;

    uint64_t* bitmap;
    bool enabled;
};
#endif

}  // namespace nq

namespace nq {

// ==== Section: Market-data records ====

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
    /** SSE_L1_INDEX. */
    trv_sse_l1_index_t sse_l1_index;
    /** SSE_L1_SNAPSHOT. */
    trv_sse_l1_snapshot_t sse_l1_snapshot;
    /** SZSE_L1_INDEX. */
    trv_szse_l1_index_t szse_l1_index;
    /** SZSE_L1_SNAPSHOT. */
    trv_szse_l1_snapshot_t szse_l1_snapshot;
    /** SZSE_L1_BOND_SNAPSHOT. */
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

// ==== Section: Decoders ====

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

// ==== Section: Layout checks: market-data records and decoders ====

#ifndef SWIG
TRV_LAYOUT(trv_sse_l1_index_t, 114);
TRV_AT(trv_sse_l1_index_t, security_type, 0);
TRV_AT(trv_sse_l1_index_t, sending_time, 1);
TRV_AT(trv_sse_l1_index_t, trad_ses_mode, 9);
TRV_AT(trv_sse_l1_index_t, trade_date, 10);
TRV_AT(trv_sse_l1_index_t, last_update_time, 14);
TRV_AT(trv_sse_l1_index_t, md_stream_id, 18);
TRV_AT(trv_sse_l1_index_t, security_code, 24);
TRV_AT(trv_sse_l1_index_t, prev_close_px, 33);
TRV_AT(trv_sse_l1_index_t, total_volume_traded, 41);
TRV_AT(trv_sse_l1_index_t, num_trades, 49);
TRV_AT(trv_sse_l1_index_t, total_value_traded, 57);
TRV_AT(trv_sse_l1_index_t, trading_phase_code, 65);
TRV_AT(trv_sse_l1_index_t, last_px, 74);
TRV_AT(trv_sse_l1_index_t, open_px, 82);
TRV_AT(trv_sse_l1_index_t, close_px, 90);
TRV_AT(trv_sse_l1_index_t, high_px, 98);
TRV_AT(trv_sse_l1_index_t, low_px, 106);
TRV_LAYOUT(trv_sse_l1_snapshot_t, 330);
TRV_AT(trv_sse_l1_snapshot_t, security_type, 0);
TRV_AT(trv_sse_l1_snapshot_t, sending_time, 1);
TRV_AT(trv_sse_l1_snapshot_t, trad_ses_mode, 9);
TRV_AT(trv_sse_l1_snapshot_t, trade_date, 10);
TRV_AT(trv_sse_l1_snapshot_t, last_update_time, 14);
TRV_AT(trv_sse_l1_snapshot_t, md_stream_id, 18);
TRV_AT(trv_sse_l1_snapshot_t, security_code, 24);
TRV_AT(trv_sse_l1_snapshot_t, prev_close_px, 33);
TRV_AT(trv_sse_l1_snapshot_t, total_volume_traded, 41);
TRV_AT(trv_sse_l1_snapshot_t, num_trades, 49);
TRV_AT(trv_sse_l1_snapshot_t, total_value_traded, 57);
TRV_AT(trv_sse_l1_snapshot_t, trading_phase_code, 65);
TRV_AT(trv_sse_l1_snapshot_t, last_px, 74);
TRV_AT(trv_sse_l1_snapshot_t, open_px, 82);
TRV_AT(trv_sse_l1_snapshot_t, close_px, 90);
TRV_AT(trv_sse_l1_snapshot_t, settle_px, 98);
TRV_AT(trv_sse_l1_snapshot_t, high_px, 106);
TRV_AT(trv_sse_l1_snapshot_t, low_px, 114);
TRV_AT(trv_sse_l1_snapshot_t, iopv, 122);
TRV_AT(trv_sse_l1_snapshot_t, pre_iopv, 130);
TRV_AT(trv_sse_l1_snapshot_t, option_ref_px, 138);
TRV_AT(trv_sse_l1_snapshot_t, option_notional_amount, 146);
TRV_AT(trv_sse_l1_snapshot_t, pre_settle_px, 154);
TRV_AT(trv_sse_l1_snapshot_t, option_open_qty, 162);
TRV_AT(trv_sse_l1_snapshot_t, bid_px, 170);
TRV_AT(trv_sse_l1_snapshot_t, bid_volume, 210);
TRV_AT(trv_sse_l1_snapshot_t, offer_px, 250);
TRV_AT(trv_sse_l1_snapshot_t, offer_volume, 290);
TRV_LAYOUT(trv_szse_l1_index_t, 117);
TRV_AT(trv_szse_l1_index_t, channel_no, 0);
TRV_AT(trv_szse_l1_index_t, orig_time, 2);
TRV_AT(trv_szse_l1_index_t, md_stream_id, 10);
TRV_AT(trv_szse_l1_index_t, security_code, 14);
TRV_AT(trv_szse_l1_index_t, security_id_source, 23);
TRV_AT(trv_szse_l1_index_t, trading_phase_code, 28);
TRV_AT(trv_szse_l1_index_t, prev_close_px, 37);
TRV_AT(trv_szse_l1_index_t, num_trades, 45);
TRV_AT(trv_szse_l1_index_t, total_volume_trade, 53);
TRV_AT(trv_szse_l1_index_t, total_value_trade, 61);
TRV_AT(trv_szse_l1_index_t, last_index, 69);
TRV_AT(trv_szse_l1_index_t, prev_close_index, 77);
TRV_AT(trv_szse_l1_index_t, open_index, 85);
TRV_AT(trv_szse_l1_index_t, high_index, 93);
TRV_AT(trv_szse_l1_index_t, low_index, 101);
TRV_AT(trv_szse_l1_index_t, close_index, 109);
TRV_LAYOUT(trv_szse_l1_snapshot_t, 413);
TRV_AT(trv_szse_l1_snapshot_t, channel_no, 0);
TRV_AT(trv_szse_l1_snapshot_t, orig_time, 2);
TRV_AT(trv_szse_l1_snapshot_t, md_stream_id, 10);
TRV_AT(trv_szse_l1_snapshot_t, security_code, 14);
TRV_AT(trv_szse_l1_snapshot_t, security_id_source, 23);
TRV_AT(trv_szse_l1_snapshot_t, trading_phase_code, 28);
TRV_AT(trv_szse_l1_snapshot_t, prev_close_px, 37);
TRV_AT(trv_szse_l1_snapshot_t, num_trades, 45);
TRV_AT(trv_szse_l1_snapshot_t, total_volume_trade, 53);
TRV_AT(trv_szse_l1_snapshot_t, total_value_trade, 61);
TRV_AT(trv_szse_l1_snapshot_t, last_px, 69);
TRV_AT(trv_szse_l1_snapshot_t, open_px, 77);
TRV_AT(trv_szse_l1_snapshot_t, high_px, 85);
TRV_AT(trv_szse_l1_snapshot_t, low_px, 93);
TRV_AT(trv_szse_l1_snapshot_t, px_gain, 101);
TRV_AT(trv_szse_l1_snapshot_t, px_gain_2, 109);
TRV_AT(trv_szse_l1_snapshot_t, weighted_avg_bid_px, 117);
TRV_AT(trv_szse_l1_snapshot_t, total_bid_qty, 125);
TRV_AT(trv_szse_l1_snapshot_t, weighted_avg_offer_px, 133);
TRV_AT(trv_szse_l1_snapshot_t, total_offer_qty, 141);
TRV_AT(trv_szse_l1_snapshot_t, pe_ratio_1, 149);
TRV_AT(trv_szse_l1_snapshot_t, pe_ratio_2, 157);
TRV_AT(trv_szse_l1_snapshot_t, nav, 165);
TRV_AT(trv_szse_l1_snapshot_t, iopv, 173);
TRV_AT(trv_szse_l1_snapshot_t, warrant_premium, 181);
TRV_AT(trv_szse_l1_snapshot_t, limit_up_px, 189);
TRV_AT(trv_szse_l1_snapshot_t, limit_down_px, 197);
TRV_AT(trv_szse_l1_snapshot_t, option_open_qty, 205);
TRV_AT(trv_szse_l1_snapshot_t, option_break_px, 213);
TRV_AT(trv_szse_l1_snapshot_t, etf_buy_amount, 221);
TRV_AT(trv_szse_l1_snapshot_t, etf_buy_number, 229);
TRV_AT(trv_szse_l1_snapshot_t, etf_sell_amount, 237);
TRV_AT(trv_szse_l1_snapshot_t, etf_sell_number, 245);
TRV_AT(trv_szse_l1_snapshot_t, bid_px, 253);
TRV_AT(trv_szse_l1_snapshot_t, bid_volume, 293);
TRV_AT(trv_szse_l1_snapshot_t, offer_px, 333);
TRV_AT(trv_szse_l1_snapshot_t, offer_volume, 373);
TRV_LAYOUT(trv_szse_l1_snapshot_bond_t, 427);
TRV_AT(trv_szse_l1_snapshot_bond_t, channel_no, 0);
TRV_AT(trv_szse_l1_snapshot_bond_t, orig_time, 2);
TRV_AT(trv_szse_l1_snapshot_bond_t, md_stream_id, 10);
TRV_AT(trv_szse_l1_snapshot_bond_t, security_code, 14);
TRV_AT(trv_szse_l1_snapshot_bond_t, security_id_source, 23);
TRV_AT(trv_szse_l1_snapshot_bond_t, trading_phase_code, 28);
TRV_AT(trv_szse_l1_snapshot_bond_t, prev_close_px, 37);
TRV_AT(trv_szse_l1_snapshot_bond_t, num_trades, 45);
TRV_AT(trv_szse_l1_snapshot_bond_t, total_volume_trade, 53);
TRV_AT(trv_szse_l1_snapshot_bond_t, total_value_trade, 61);
TRV_AT(trv_szse_l1_snapshot_bond_t, last_px, 69);
TRV_AT(trv_szse_l1_snapshot_bond_t, open_px, 77);
TRV_AT(trv_szse_l1_snapshot_bond_t, close_px, 85);
TRV_AT(trv_szse_l1_snapshot_bond_t, high_px, 93);
TRV_AT(trv_szse_l1_snapshot_bond_t, low_px, 101);
TRV_AT(trv_szse_l1_snapshot_bond_t, last_px_type, 109);
TRV_AT(trv_szse_l1_snapshot_bond_t, weighted_avg_px, 117);
TRV_AT(trv_szse_l1_snapshot_bond_t, px_gain, 125);
TRV_AT(trv_szse_l1_snapshot_bond_t, px_gain_2, 133);
TRV_AT(trv_szse_l1_snapshot_bond_t, weighted_avg_bid_px, 141);
TRV_AT(trv_szse_l1_snapshot_bond_t, total_bid_qty, 149);
TRV_AT(trv_szse_l1_snapshot_bond_t, weighted_avg_offer_px, 157);
TRV_AT(trv_szse_l1_snapshot_bond_t, total_offer_qty, 165);
TRV_AT(trv_szse_l1_snapshot_bond_t, weighted_avg_ir_gain, 173);
TRV_AT(trv_szse_l1_snapshot_bond_t, weighted_avg_prev_ir, 181);
TRV_AT(trv_szse_l1_snapshot_bond_t, match_last_px, 189);
TRV_AT(trv_szse_l1_snapshot_bond_t, auction_volume_trade, 197);
TRV_AT(trv_szse_l1_snapshot_bond_t, auction_value_trade, 205);
TRV_AT(trv_szse_l1_snapshot_bond_t, sub_trading_phase_code, 213);
TRV_AT(trv_szse_l1_snapshot_bond_t, bid_px, 267);
TRV_AT(trv_szse_l1_snapshot_bond_t, bid_volume, 307);
TRV_AT(trv_szse_l1_snapshot_bond_t, offer_px, 347);
TRV_AT(trv_szse_l1_snapshot_bond_t, offer_volume, 387);
TRV_LAYOUT(trv_l1_quote_union_t, 427);
TRV_LAYOUT(trv_level1_quote_t, 428);
TRV_AT(trv_level1_quote_t, quoteMsgType, 0);
TRV_AT(trv_level1_quote_t, l1_quote, 1);
TRV_LAYOUT(trv_sse_l2_tick_t, 70);
TRV_AT(trv_sse_l2_tick_t, biz_index, 0);
TRV_AT(trv_sse_l2_tick_t, channel, 8);
TRV_AT(trv_sse_l2_tick_t, security_code, 12);
TRV_AT(trv_sse_l2_tick_t, tick_time, 21);
TRV_AT(trv_sse_l2_tick_t, tick_type, 25);
TRV_AT(trv_sse_l2_tick_t, buy_order_no, 26);
TRV_AT(trv_sse_l2_tick_t, sell_order_no, 34);
TRV_AT(trv_sse_l2_tick_t, price, 42);
TRV_AT(trv_sse_l2_tick_t, qty, 46);
TRV_AT(trv_sse_l2_tick_t, trade_money, 54);
TRV_AT(trv_sse_l2_tick_t, tick_bs_flag, 62);
TRV_LAYOUT(trv_sse_l2_bond_tick_t, 70);
TRV_AT(trv_sse_l2_bond_tick_t, tick_index, 0);
TRV_AT(trv_sse_l2_bond_tick_t, channel, 8);
TRV_AT(trv_sse_l2_bond_tick_t, security_code, 12);
TRV_AT(trv_sse_l2_bond_tick_t, tick_time, 21);
TRV_AT(trv_sse_l2_bond_tick_t, tick_type, 25);
TRV_AT(trv_sse_l2_bond_tick_t, buy_order_no, 26);
TRV_AT(trv_sse_l2_bond_tick_t, sell_order_no, 34);
TRV_AT(trv_sse_l2_bond_tick_t, price, 42);
TRV_AT(trv_sse_l2_bond_tick_t, qty, 46);
TRV_AT(trv_sse_l2_bond_tick_t, trade_money, 54);
TRV_AT(trv_sse_l2_bond_tick_t, tick_bs_flag, 62);
TRV_LAYOUT(trv_szse_l2_order_t, 54);
TRV_AT(trv_szse_l2_order_t, channel_no, 0);
TRV_AT(trv_szse_l2_order_t, appl_seq_num, 2);
TRV_AT(trv_szse_l2_order_t, md_stream_id, 10);
TRV_AT(trv_szse_l2_order_t, security_code, 14);
TRV_AT(trv_szse_l2_order_t, security_source, 23);
TRV_AT(trv_szse_l2_order_t, price, 28);
TRV_AT(trv_szse_l2_order_t, qty, 36);
TRV_AT(trv_szse_l2_order_t, side, 44);
TRV_AT(trv_szse_l2_order_t, transact_time, 45);
TRV_AT(trv_szse_l2_order_t, ord_type, 53);
TRV_LAYOUT(trv_szse_l2_trade_t, 69);
TRV_AT(trv_szse_l2_trade_t, channel_no, 0);
TRV_AT(trv_szse_l2_trade_t, appl_seq_num, 2);
TRV_AT(trv_szse_l2_trade_t, md_stream_id, 10);
TRV_AT(trv_szse_l2_trade_t, bid_appl_seq_num, 14);
TRV_AT(trv_szse_l2_trade_t, offer_appl_seq_num, 22);
TRV_AT(trv_szse_l2_trade_t, security_code, 30);
TRV_AT(trv_szse_l2_trade_t, security_source, 39);
TRV_AT(trv_szse_l2_trade_t, price, 44);
TRV_AT(trv_szse_l2_trade_t, qty, 52);
TRV_AT(trv_szse_l2_trade_t, exec_type, 60);
TRV_AT(trv_szse_l2_trade_t, transact_time, 61);
TRV_LAYOUT(trv_tick_quote_union_t, 70);
TRV_LAYOUT(trv_rebuild_tick_quote_req_t, 19);
TRV_AT(trv_rebuild_tick_quote_req_t, exchange_index, 0);
TRV_AT(trv_rebuild_tick_quote_req_t, channel_no, 1);
TRV_AT(trv_rebuild_tick_quote_req_t, begin_sequence, 3);
TRV_AT(trv_rebuild_tick_quote_req_t, end_sequence, 11);
TRV_LAYOUT(trv_static_quote_full_info_t, 172);
TRV_AT(trv_static_quote_full_info_t, list_date, 0);
TRV_AT(trv_static_quote_full_info_t, exchange_index, 4);
TRV_AT(trv_static_quote_full_info_t, security_code, 5);
TRV_AT(trv_static_quote_full_info_t, security_name, 14);
TRV_AT(trv_static_quote_full_info_t, security_type, 55);
TRV_AT(trv_static_quote_full_info_t, is_registration, 56);
TRV_AT(trv_static_quote_full_info_t, is_vie, 57);
TRV_AT(trv_static_quote_full_info_t, is_noprofit, 58);
TRV_AT(trv_static_quote_full_info_t, is_weighted_voting_rights, 59);
TRV_AT(trv_static_quote_full_info_t, is_have_price_limit, 60);
TRV_AT(trv_static_quote_full_info_t, upper_limit_price, 61);
TRV_AT(trv_static_quote_full_info_t, lower_limit_price, 69);
TRV_AT(trv_static_quote_full_info_t, pre_close_price, 77);
TRV_AT(trv_static_quote_full_info_t, price_tick, 85);
TRV_AT(trv_static_quote_full_info_t, bid_qty_upper_limit, 93);
TRV_AT(trv_static_quote_full_info_t, bid_qty_lower_limit, 97);
TRV_AT(trv_static_quote_full_info_t, bid_qty_unit, 101);
TRV_AT(trv_static_quote_full_info_t, ask_qty_upper_limit, 105);
TRV_AT(trv_static_quote_full_info_t, ask_qty_lower_limit, 109);
TRV_AT(trv_static_quote_full_info_t, ask_qty_unit, 113);
TRV_AT(trv_static_quote_full_info_t, market_bid_qty_upper_limit, 117);
TRV_AT(trv_static_quote_full_info_t, market_bid_qty_lower_limit, 121);
TRV_AT(trv_static_quote_full_info_t, market_bid_qty_unit, 125);
TRV_AT(trv_static_quote_full_info_t, market_ask_qty_upper_limit, 129);
TRV_AT(trv_static_quote_full_info_t, market_ask_qty_lower_limit, 133);
TRV_AT(trv_static_quote_full_info_t, market_ask_qty_unit, 137);
TRV_AT(trv_static_quote_full_info_t, security_status, 141);
TRV_AT(trv_static_quote_full_info_t, underlying_code, 150);
TRV_AT(trv_static_quote_full_info_t, swap_flag, 159);
TRV_AT(trv_static_quote_full_info_t, swap_price, 160);
TRV_AT(trv_static_quote_full_info_t, maturity_date, 168);
TRV_LAYOUT(quote_thread_t, 136);
TRV_AT(quote_thread_t, cpu_affinity, 0);
TRV_AT(quote_thread_t, busy_poll, 4);
TRV_AT(quote_thread_t, mc_count, 6);
TRV_AT(quote_thread_t, mc_types, 8);
TRV_ALIGN(quote_thread_t, 4); /* natural alignment */
/* Enumerations stored in records. */
TRV_LAYOUT(QuoteMsgType, 1);
TRV_LAYOUT(QuoteMCType, 2);
TRV_LAYOUT(ExchangeIndex, 1);
TRV_LAYOUT(QuoteSecurityType, 1);
TRV_LAYOUT(trv_quote_data_union_t, 8);
TRV_LAYOUT(TRVQuoteItem, 16);
TRV_ALIGN(TRVQuoteItem, 8);
TRV_AT(TRVQuoteItem, data_type, 0);
TRV_AT(TRVQuoteItem, data, 8);
TRV_LAYOUT(mqr::mqr_quote_data_union_t, 8);
TRV_LAYOUT(mqr::MQRQuoteItem, 16);
TRV_ALIGN(mqr::MQRQuoteItem, 8);
TRV_AT(mqr::MQRQuoteItem, data_type, 0);
TRV_AT(mqr::MQRQuoteItem, data, 8);
TRV_LAYOUT(TRVQuoteDecoder, 40);
TRV_LAYOUT(mqr::MQRQuoteDecoder, 40);
#endif

// ==== Section: Facades ====

/**
 * Trading interface. One object per process, obtained from create(); it is
 * never freed. Every operation other than create, initialize and stop needs an
 * initialised interface: before the first initialize of any interface it
 * fails with error type 304 ("trade api not initialized"), also once create()
 * has brought the library up.
 * Operations report failure by their result (false, 0 or null) and the calling
 * thread's last error (get_last_error); answers arrive later on the callbacks.
 *
 * Each interface keeps to its own sessions: an operation that takes a session
 * id refuses a session of another interface (market data, or privileged) as
 * it refuses an unknown one, with error type 307 and its own "get session
 * failed" text, and leaves that session untouched. Called on the privileged
 * object (TRVPrivilege, which inherits them), these operations act for the
 * privileged interface: they take its sessions and refuse the trading
 * interface's.
 */
class TRV_API_EXPORT TRVTradeApi {
public:
    /**
     * Returns the trading interface, creating it on the first call.
     * @return the one trading object of the process
     * Remarks: safe from any number of threads; the first call also brings up
     * the library's service threads, and leaves the calling thread under
     * SCHED_FIFO 21 where the process has the right. It returns also in a
     * process pinned to one core: each wait for a new thread (or, in another
     * caller, for the creation) sleeps until it is woken, so it never keeps
     * the awaited thread from the core.
     */
    static TRVTradeApi* create();
    /**
     * Returns the library version.
     * @return "v1.6.0.23"
     */
    static const char* get_api_version();
    /**
     * Returns the calling thread's last error.
     * @return a copy of the error; all zero when the thread never failed
     * Remarks: The message formats its arguments as the log does: a %s given a number prints "(not a string)" (0
     * prints "(null)"), widths and precisions are capped at 2^20, and at most 255 characters are kept.
     */
    static trv_error_info_t get_last_error();
    /**
     * Returns the order sequence carried in an order id.
     * @param xid order id returned by insert_order or cancel_order
     * @return bits 8 to 27 of the id
     */
    static uint64_t get_order_sequence(uint64_t xid);

    /**
     * Starts the trading interface (once per process).
     * @param trade_config configuration, copied during the call
     * @param trade_spi callbacks; must outlive their use (until stop)
     * @return false when the library cannot start or the interface cannot be
     * added (repeated initialisation, null configuration, bad local address,
     * an order timeout of 0: error 301 "allocate trade context failed, likely
     * local address error (or other errors)", whose reason the log names)
     * Remarks: initialize and stop are not virtual: called through a
     * TRVTradeApi pointer to the TRVPrivilege object they start or stop the
     * trading interface, not the privileged one.
     * Once every initialised interface has been stopped, the service threads are gone: initialising an
     * interface not initialised before then fails with error 301 "trade api initialization refused, api
     * service stopped". When the library itself cannot be created, every later initialize fails with that
     * first failure's error.
     */
    bool initialize(TRVTradeConfig* trade_config, TRVTradeSpi* trade_spi);
    /**
     * Stops the trading interface: clears its callbacks and closes its sessions.
     * Does nothing before initialize.
     * Remarks: When stop returns, no callback of this interface runs on another
     * thread (handler, timer, heartbeat threads), and none begins later: the
     * callback object may be freed then. A stop called from inside a callback
     * does not wait for that callback (it goes on after stop returns) but waits
     * for the others; so a callback must never wait for something the thread
     * calling stop holds while it calls (a lock taken around stop, for
     * example), nor for that thread itself. Two callbacks that each call a stop
     * do not wait for each other. A stop called while another stop of this
     * interface runs waits as well.
     * A stopped interface cannot be initialised again. The sockets of its
     * sessions, and of sessions logged out just before, are closed by the call
     * itself (or, for a session a callback still holds, when that callback
     * returns), not left to the service threads that a last stop ends. A login
     * that has connected when stop is called finishes first; one still
     * connecting is refused once connected ("trade api stopped").
     * Not virtual: through a TRVTradeApi pointer to the TRVPrivilege object it
     * stops the trading interface only; stop the privileged interface through
     * a TRVPrivilege pointer.
     */
    void stop();
    /**
     * Logs in to a gateway of the configuration; the end is reported by on_login.
     * @param request_id caller's id of the request, handed back in on_login
     * @param client_id client id of the login
     * @param account_name login account
     * @param password password of the account
     * @param pub_key public key of the account
     * @param info terminal information supplied by the user; null for none
     * @return true when the login was started; every login that returns true
     * ends in exactly one on_login. After stop the login is refused (error
     * type 304, "trade api stopped" or "quote api stopped") and opens nothing.
     * Remarks: The gateways are tried in turn; the connection attempts take at
     * most the request timeout (TRV_REQUEST_TIMEOUT) together, each an equal
     * share of what is left, at most 3 s but for the last gateway tried. An
     * attempt that is not answered in its time (a gateway that drops it)
     * fails as a refused one does ("socket connect fail(Connection timed
     * out)." in the log) and the next gateway is tried; when none connects,
     * the login fails with 304 "connect to AGW failed: ...". No lock is held
     * while connecting: other logins and stop go on meanwhile.
     */
    bool login(uint64_t request_id, uint16_t client_id, const char* account_name, const char* password,
               const char* pub_key, const trv_user_terminal_info_t* info = nullptr);
    /**
     * Logs a session out and closes it.
     * @param session_id session from on_login
     * @return true when the logout was sent; false (307) for a session of
     * another interface, which stays open
     */
    bool logout(uint64_t session_id);
    /**
     * Authorises trading on behalf of another account; the end is reported by on_auth_trade.
     * @param session_id session from on_login
     * @param request_id caller's id of the request
     * @param account_name account to trade for
     * @param password password of that account
     * @param pub_key public key of that account
     * @param info terminal information supplied by the user; null for none
     * @return true when the request was sent
     */
    bool auth_trade(uint64_t session_id, uint64_t request_id, const char* account_name, const char* password,
                    const char* pub_key, const trv_user_terminal_info_t* info = nullptr);
    /**
     * Withdraws an authorisation.
     * @param session_id session from on_login
     * @param request_id caller's id of the request
     * @param trade_token trade token from on_auth_trade
     * @return true when the request was sent
     */
    bool deauth_trade(uint64_t session_id, uint64_t request_id, uint64_t trade_token);
    /**
     * Returns the trading day set by the login.
     * @return yyyymmdd; 0 before the first login answer
     * Remarks: 0 before a login answer has named the day, and (with error 304 "trade api not initialized") before
     * the first initialize of any interface.
     */
    uint32_t get_trading_day();
    /**
     * Returns the assets at the start of the day of an authorised account.
     * @param session_id session from on_login
     * @param trade_token trade token; 0 for the session's own account
     * @return the library's record, valid as long as the authorisation; null when unknown
     */
    const trv_init_asset_info_t* get_init_assets(uint64_t session_id, uint64_t trade_token = 0);
    /**
     * Returns the positions at the start of the day of an authorised account.
     * @param session_id session from on_login
     * @param trade_token trade token; 0 for the session's own account
     * @return the library's list, valid as long as the authorisation; null when unknown
     */
    const TRVInitPositionList* get_init_positions(uint64_t session_id, uint64_t trade_token = 0);
    /**
     * Returns the trade account index of an authorised account.
     * @param session_id session from on_login
     * @param trade_token trade token; 0 for the session's own account
     * @return the account index; 0 when unknown
     */
    uint64_t get_account_index(uint64_t session_id, uint64_t trade_token = 0);
    /**
     * Finds who sent an order.
     * @param xid order id
     * @param session_id receives the session of the sender, 0 when unknown
     * @param trade_token receives the trade token of the sender, 0 when unknown
     * Remarks: Before the first initialize of any interface, writes 0 and 0 (error 304).
     */
    void get_xid_sender(uint64_t xid, uint64_t& session_id, uint64_t& trade_token);
    /**
     * Finds who sent a fund transfer.
     * @param biz_no business number of the transfer
     * @param session_id receives the session of the sender, 0 when unknown
     * @param trade_token receives the trade token of the sender, 0 when unknown
     * Remarks: Only a business number of the library's form is looked up (18 characters of its alphabet); anything
     * else writes 0 and 0, and so does a call before the first initialize of any interface (error 304).
     */
    void get_biz_sender(char* biz_no, uint64_t& session_id, uint64_t& trade_token);
    /**
     * Subscribes to pushed trade messages.
     * @param session_id session from on_login
     * @param request_id caller's id of the request
     * @param trade_message_type bit set of TradeMessageType kinds
     * @param resume_type where the stream starts
     * @param start_sequence first sequence for TradeResumeType::SPECIFY
     * @return true when the request was sent
     * Remarks: A second subscription on a session is refused (error 309); a subscription the counter refuses gives its
     * account back, so that another may subscribe.
     */
    bool subscribe_trade_message(uint64_t session_id, uint64_t request_id, trade_message_type_t trade_message_type,
                                 TradeResumeType resume_type, uint64_t start_sequence);
    /**
     * Asks for pushed trade messages again (replay).
     * @param session_id session from on_login
     * @param request_id caller's id of the request
     * @param trade_message_type bit set of TradeMessageType kinds
     * @param start_sequence first sequence
     * @param end_sequence last sequence
     * @param account_index trade account index; 0 for the logged-in account
     * @return true when the request was sent
     */
    bool rebuild_trade_message(uint64_t session_id, uint64_t request_id, trade_message_type_t trade_message_type,
                               uint64_t start_sequence, uint64_t end_sequence, uint64_t account_index = 0);
    /**
     * Queries assets; rows arrive on on_query_assets.
     * @param session_id session from on_login
     * @param request_id caller's id of the request
     * @param account_index trade account index; 0 for every account
     * @return true when the request was sent
     */
    bool query_assets(uint64_t session_id, uint64_t request_id, uint64_t account_index = 0);
    /**
     * Queries positions.
     * @param session_id session from on_login
     * @param request_id caller's id of the request
     * @param security_code security code; empty for all
     * @param exchange_index market; INIT for all
     * @param account_index trade account index; 0 for every account
     * @return true when the request was sent
     */
    bool query_positions(uint64_t session_id, uint64_t request_id, const char* security_code,
                         ExchangeIndex exchange_index = ExchangeIndex::INIT, uint64_t account_index = 0);
    /**
     * Queries orders.
     * @param session_id session from on_login
     * @param request_id caller's id of the request
     * @param order_query_param filter, read during the call
     * @param account_index trade account index; 0 for every account
     * @return true when the request was sent
     * Remarks: A null query parameter is refused (error 309).
     */
    bool query_orders(uint64_t session_id, uint64_t request_id, const trv_order_query_param_t* order_query_param,
                      uint64_t account_index = 0);
    /**
     * Queries one page of orders.
     * @param session_id session from on_login
     * @param request_id caller's id of the request
     * @param request_count rows wanted
     * @param query_reference where the page starts (zero for the first page), read during the call
     * @param account_index trade account index; 0 for every account
     * @return true when the request was sent
     * Remarks: A null reference (309) and a request_count below PAGE_REQ_COUNT_MIN (309) are refused.
     */
    bool query_orders_by_page(uint64_t session_id, uint64_t request_id, uint32_t request_count,
                              const trv_page_query_reference_t* query_reference, uint64_t account_index = 0);
    /**
     * Queries trades.
     * @param session_id session from on_login
     * @param request_id caller's id of the request
     * @param xid order whose trades are wanted; 0 for all
     * @param account_index trade account index; 0 for every account
     * @return true when the request was sent
     */
    bool query_trades(uint64_t session_id, uint64_t request_id, uint64_t xid, uint64_t account_index = 0);
    /**
     * Queries the assets at the start of the day.
     * @param session_id session from on_login
     * @param request_id caller's id of the request
     * @param account_index trade account index; 0 for every account
     * @return true when the request was sent
     */
    bool query_init_assets(uint64_t session_id, uint64_t request_id, uint64_t account_index = 0);
    /**
     * Queries the positions at the start of the day.
     * @param session_id session from on_login
     * @param request_id caller's id of the request
     * @param security_code security code; empty for all
     * @param exchange_index market; INIT for all
     * @param account_index trade account index; 0 for every account
     * @return true when the request was sent
     */
    bool query_init_positions(uint64_t session_id, uint64_t request_id, const char* security_code,
                              ExchangeIndex exchange_index, uint64_t account_index = 0);
    /**
     * Queries the trade accounts of the login.
     * @param session_id session from on_login
     * @param request_id caller's id of the request
     * @param account_index trade account index; 0 for every account
     * @return true when the request was sent
     */
    bool query_trade_account_info(uint64_t session_id, uint64_t request_id, uint64_t account_index = 0);
    /**
     * Prepares the calling thread for sending orders (its packet buffer), so
     * that its first order does not pay for it.
     */
    void init_local_send();
    /**
     * Sends an order.
     * @param session_id session from on_login
     * @param order the order, read during the call
     * @param trade_token trade token; 0 for the session's own account
     * @return the order id (xid); 0 on failure
     * Remarks: the trade token and its authorisation id are read as one pair; an
     * authorisation withdrawn or replaced during the call refuses the order
     * ("invalid token", error type 308) rather than sending it with another
     * authorisation's id or with none.
     * The session must be a live trading session of this process (error 307 for a stale id or a market-data
     * session); a trade token of another session is refused (308, "... trade token belongs to another session
     * ..."), so is a null order (308); a thread without a send buffer gets 309 ("... no send buffer for this
     * thread ..."); without an initialised trading interface, 304. The order is stored before its datagram
     * leaves, so an answer that comes at once is never taken for a time-out.
     */
    uint64_t insert_order(uint64_t session_id, trv_order_insert_info_t* order, uint64_t trade_token = 0);
    /**
     * Sends a cancel.
     * @param session_id session from on_login
     * @param cancel_order the cancel, read during the call
     * @param trade_token trade token; 0 for the session's own account
     * @return the id (xid) of the cancel; 0 on failure
     * Remarks: the token and authorisation id are read as for insert_order.
     * The same refusals as insert_order apply, a null cancel included.
     */
    uint64_t cancel_order(uint64_t session_id, trv_cancel_order_info_t* cancel_order, uint64_t trade_token = 0);
    /**
     * Sends an unanswered order again.
     * @param session_id session from on_login
     * @param xid order id
     * @return true when the order was sent again
     * Remarks: The session must be a live trading session (307), the one whose token sent the order (308);
     * an order can be sent again at most 1023 times (the 1024th resend is refused, 308).
     */
    bool resend_order_request(uint64_t session_id, uint64_t xid);
    /**
     * Asks for a transfer between the main counter and this counter.
     * @param session_id session from on_login
     * @param request_id caller's id of the request
     * @param side direction of the transfer
     * @param amount amount, scaled by 10000
     * @param biz_no receives the business number of the transfer (20 bytes); null when not wanted
     * @param trade_token trade token; 0 for the session's own account
     * @return true when the request was sent
     * Remarks: the outcome arrives on the fund-transfer callbacks with the same business number.
     * The request time (yyyymmddhhmmssmmm) is taken from one reading of the clock, so a
     * request made at midnight never carries one day's date with the other day's time.
     * A business sequence of 2^20 or more is refused (308, "... business sequence exhausted ...") before any
     * number is written, so business numbers never repeat; a trade token of another session is refused (309)
     * after biz_no was written.
     */
    bool submit_counter_fund_transfer_request(uint64_t session_id, uint64_t request_id, FundTransSide side,
                                              amount_t amount, char* biz_no = nullptr, uint64_t trade_token = 0);
    /**
     * Asks for a transfer from the other centre into this one.
     * @param session_id session from on_login
     * @param request_id caller's id of the request
     * @param amount amount, scaled by 10000
     * @param biz_no receives the business number of the transfer (20 bytes); null when not wanted
     * @param trade_token trade token; 0 for the session's own account
     * @return true when the request was sent
     * Remarks: the request time is taken as for submit_counter_fund_transfer_request.
     * The refusals of submit_counter_fund_transfer_request apply.
     */
    bool submit_cluster_fund_transfer_request(uint64_t session_id, uint64_t request_id, amount_t amount,
                                              char* biz_no = nullptr, uint64_t trade_token = 0);
    /**
     * Writes the order-latency report of the monitoring build.
     * @return false (error 301) when the library has no latency monitor
     * Remarks: Where a latency monitor exists, an existing statistics file of another size, or made for other
     * capacities, is refused (logged at ERROR) and left untouched.
     */
    bool dump_api_performance_info();

protected:
    TRVTradeApi() {}
    ~TRVTradeApi() {}

private:
    TRVTradeApi(const TRVTradeApi&) = delete;
    TRVTradeApi& operator=(const TRVTradeApi&) = delete;
};

/**
 * Privileged back-office interface. One object per process, obtained from
 * create(); it is never freed.
 * Its operations, the inherited trading ones included, take the sessions of
 * its own logins only: a trading or market-data session is refused as
 * unknown (error type 307, the operation's own "get session failed" text)
 * and left untouched.
 * It derives from TRVTradeApi, but a privileged login is no trading account,
 * so on a privileged session only some trading operations work:
 *   - sent as on a trading session: logout, the query_* operations,
 *     subscribe_trade_message and rebuild_trade_message;
 *   - refused: auth_trade (307); get_account_index, get_init_assets and
 *     get_init_positions without a trade token (307); deauth_trade of a token
 *     the session did not authorise (309); insert_order, cancel_order and
 *     resend_order_request (304 while the trading interface is not
 *     initialised, 307 once it is: orders go through a trading login); the
 *     trading fund-transfer submissions (308, not a trade account: use this
 *     class's own submit_* operations).
 * initialize and stop are not virtual: through a TRVTradeApi pointer to this
 * object they act on the trading interface.
 */
class TRV_API_EXPORT TRVPrivilege : public TRVTradeApi {
public:
    /**
     * Returns the privileged interface, creating it on the first call.
     * @return the one privileged object of the process
     * Remarks: the library itself is brought up by initialize.
     */
    static TRVPrivilege* create();
    /**
     * Returns the trade token that issued an order id.
     * @param xid order id
     * @return bits 28 to 63 of the id
     */
    static uint64_t xid_to_token_id(uint64_t xid);

    /**
     * Starts the privileged interface (once per process).
     * @param config configuration, copied during the call
     * @param spi callbacks; must outlive their use (until stop)
     * @return false when the library cannot start or the interface cannot be added
     * Remarks: As TRVTradeApi::initialize; after the service threads have ended the error is "privilege api
     * initialization refused, api service stopped".
     */
    bool initialize(TRVPrivilegeConfig* config, TRVPrivilegeSpi* spi);
    /**
     * Stops the privileged interface: clears its callbacks and closes its
     * sessions. Does nothing before initialize.
     * Remarks: as TRVTradeApi::stop: when it returns no callback of this
     * interface runs on another thread and none begins later, and the sockets
     * of the closed sessions are closed by the call. Not virtual: call it
     * through a TRVPrivilege pointer (through a TRVTradeApi pointer to this
     * object, stop stops the trading interface).
     */
    void stop();
    /**
     * Logs in with a privileged account (no client id, no terminal information).
     * @param request_id caller's id of the request, handed back in on_login
     * @param account_name login account
     * @param password password of the account
     * @param pub_key public key of the account
     * @return true when the login was started; every login that returns true
     * ends in exactly one on_login. After stop the login is refused (error
     * type 304, "privilege api stopped") and opens nothing.
     * Remarks: The connection attempts are bounded as for TRVTradeApi::login.
     */
    bool login(uint64_t request_id, const char* account_name, const char* password, const char* pub_key);
    /**
     * Asks the counter to write its final file.
     * @param session_id privileged session
     * @param request_id caller's id of the request
     * @return true when the request was sent
     */
    bool dump_final_file(uint64_t session_id, uint64_t request_id);
    /**
     * Unbinds a user from its trading gateway.
     * @param session_id privileged session
     * @param request_id caller's id of the request
     * @param account_index trade account index of the user
     * @return true when the request was sent
     */
    bool unbind_user_tgw(uint64_t session_id, uint64_t request_id, uint64_t account_index);
    /**
     * Executes a fund transfer.
     * @param session_id privileged session
     * @param request_id caller's id of the request
     * @param fund_transfer_exec_req the execution, read during the call
     * @return true when the request was sent
     * Remarks: A null record is refused (308, "<operation> error, request is null: { session_id = ... }"); so for the
     * four submissions below.
     */
    bool insert_fund_transfer_exec(uint64_t session_id, uint64_t request_id,
                                   const trv_fund_transfer_exec_request_t* fund_transfer_exec_req);
    /**
     * Submits a counter fund-transfer request filled by the caller.
     * @param session_id privileged session
     * @param request_id caller's id of the request
     * @param fund_transfer_request the request, read during the call
     * @return true when the request was sent
     * Remarks: A null record is refused (308).
     */
    bool submit_counter_fund_transfer_request(uint64_t session_id, uint64_t request_id,
                                              const trv_counter_fund_transfer_request_t* fund_transfer_request);
    /**
     * Submits the result of a counter fund transfer.
     * @param session_id privileged session
     * @param request_id caller's id of the request
     * @param fund_transfer_result the result, read during the call
     * @return true when the request was sent
     * Remarks: A null record is refused (308).
     */
    bool submit_counter_fund_transfer_result(uint64_t session_id, uint64_t request_id,
                                             const trv_counter_fund_transfer_result_t* fund_transfer_result);
    /**
     * Submits a cluster fund-transfer request filled by the caller.
     * @param session_id privileged session
     * @param request_id caller's id of the request
     * @param cluster_fund_transfer_request the request, read during the call
     * @return true when the request was sent
     * Remarks: A null record is refused (308).
     */
    bool submit_cluster_fund_transfer_request(uint64_t session_id, uint64_t request_id,
                                              const trv_cluster_fund_transfer_request_t* cluster_fund_transfer_request);
    /**
     * Submits the result of a cluster fund transfer.
     * @param session_id privileged session
     * @param request_id caller's id of the request
     * @param cluster_fund_transfer_result the result, read during the call
     * @return true when the request was sent
     * Remarks: A null record is refused (308).
     */
    bool submit_cluster_fund_transfer_result(uint64_t session_id, uint64_t request_id,
                                             const trv_cluster_fund_transfer_result_t* cluster_fund_transfer_result);
    /**
     * Queries brief assets.
     * @param session_id privileged session
     * @param request_id caller's id of the request
     * @param account_index trade account index; 0 for every account
     * @return true when the request was sent
     */
    bool query_brief_assets(uint64_t session_id, uint64_t request_id, uint64_t account_index = 0);
    /**
     * Queries brief positions.
     * @param session_id privileged session
     * @param request_id caller's id of the request
     * @param security_code security code; empty for all
     * @param exchange_index market; INIT for all
     * @param account_index trade account index; 0 for every account
     * @return true when the request was sent
     */
    bool query_brief_positions(uint64_t session_id, uint64_t request_id, const char* security_code,
                               ExchangeIndex exchange_index, uint64_t account_index = 0);

protected:
    TRVPrivilege() {}
    ~TRVPrivilege() {}

private:
    TRVPrivilege(const TRVPrivilege&) = delete;
    TRVPrivilege& operator=(const TRVPrivilege&) = delete;
};

/**
 * Market-data interface. One object per process, obtained from create(); it
 * is never freed. Every operation other than create, initialize and stop
 * needs an initialised interface: before the first initialize of any
 * interface it fails with error type 304 ("quote api not initialized").
 * Its operations take the sessions of its own logins only: a trading or
 * privileged session is refused as unknown (error type 307, the operation's
 * own "get session failed" text) and left untouched. (unsubscribe_quote does
 * not read its session id.)
 */
class TRV_API_EXPORT TRVQuoteApi {
public:
    /**
     * Returns the market-data interface, creating it on the first call.
     * @return the one market-data object of the process
     * Remarks: the library itself is brought up by initialize.
     */
    static TRVQuoteApi* create();
    /**
     * Returns the library version.
     * @return "v1.6.0.23"
     */
    static const char* get_api_version();
    /**
     * Returns the calling thread's last error.
     * @return a copy of the error; all zero when the thread never failed
     * Remarks: Formatted as TRVTradeApi::get_last_error.
     */
    static trv_error_info_t get_last_error();

    /**
     * Starts the market-data interface (once per process).
     * @param quote_config configuration, copied during the call
     * @param quote_spi callbacks; must outlive their use (until stop, which also ends on_quote)
     * @return false when the library cannot start or the interface cannot be added
     * Remarks: As TRVTradeApi::initialize; after the service threads have ended the error is "quote api initialization
     * refused, api service stopped".
     */
    bool initialize(TRVQuoteConfig* quote_config, TRVQuoteSpi* quote_spi);
    /**
     * Stops the market-data interface: clears its callbacks and closes its
     * sessions. Does nothing before initialize.
     * Remarks: As TRVTradeApi::stop: when it returns no callback of this
     * interface runs on another thread, on_quote of the receiver threads
     * included, and none begins later. The receiver threads of subscribe_quote
     * run on, calling nothing, until unsubscribe_quote or the end of the
     * service. The sockets of the closed sessions are closed by the call. May
     * be called from on_quote (it does not wait for that call).
     */
    void stop();
    /**
     * Returns the trading day set by the login.
     * @return yyyymmdd; 0 before the first login answer
     * Remarks: 0 before a login answer has named the day, and (error 304) before the first initialize of any
     * interface.
     */
    uint32_t get_trading_day();
    /**
     * Logs in to a gateway of the configuration; the end is reported by on_login.
     * @param request_id caller's id of the request, handed back in on_login
     * @param client_id client id of the login
     * @param account_name login account
     * @param password password of the account
     * @param pub_key public key of the account
     * @param info terminal information supplied by the user; null for none
     * @return true when the login was started; every login that returns true
     * ends in exactly one on_login. After stop the login is refused (error
     * type 304, "trade api stopped" or "quote api stopped") and opens nothing.
     * Remarks: The gateways are tried in turn; the connection attempts take at
     * most the request timeout (TRV_REQUEST_TIMEOUT) together, each an equal
     * share of what is left, at most 3 s but for the last gateway tried. An
     * attempt that is not answered in its time (a gateway that drops it)
     * fails as a refused one does ("socket connect fail(Connection timed
     * out)." in the log) and the next gateway is tried; when none connects,
     * the login fails with 304 "connect to AGW failed: ...". No lock is held
     * while connecting: other logins and stop go on meanwhile.
     */
    bool login(uint64_t request_id, uint16_t client_id, const char* account_name, const char* password,
               const char* pub_key, const trv_user_terminal_info_t* info = nullptr);
    /**
     * Logs a session out and closes it.
     * @param session_id session from on_login
     * @return true when the logout was sent; false (307) for a session of
     * another interface, which stays open
     */
    bool logout(uint64_t session_id);
    /**
     * Starts receiver threads for multicast market data; payloads arrive on on_quote.
     * @param session_id market-data session from on_login
     * @param thread_count number of records in quote_threads
     * @param quote_threads one record per receiver thread, read during the call
     * @param rx_mode socket or kernel-bypass reception; RX_MODE_AUTO lets the library choose
     * @return true when the receivers run
     * Remarks: Refused with error 310: a call from inside on_quote (it could wait for itself), a null
     * quote_threads and an mc_count above 64, before anything is read from them. With RX_MODE_AUTO, a
     * kernel-bypass set-up that fails falls back to kernel sockets (logged at WARN). The channels are
     * copied from one channel table: a table the counter re-announces during the call is seen whole,
     * old or new, never half written.
     */
    bool subscribe_quote(uint64_t session_id, uint16_t thread_count, quote_thread_t* quote_threads,
                         QuoteRxMode rx_mode = RX_MODE_AUTO);
    /**
     * Stops and frees the receiver threads of subscribe_quote.
     * @param session_id market-data session
     * @return false when nothing was subscribed
     * Remarks: A call from inside on_quote is refused (310): it would wait for the thread it runs on.
     * The receivers are awaited outside the library's lock, so an on_quote that meanwhile calls stop,
     * login or initialize does not wait for this call, nor this call for it.
     */
    bool unsubscribe_quote(uint64_t session_id);
    /**
     * Queries the static information of every security.
     * @param session_id market-data session
     * @param request_id caller's id of the request
     * @return true when the request was sent
     */
    bool query_static_quote_info(uint64_t session_id, uint64_t request_id);
    /**
     * Queries the level-1 quote of one security.
     * @param session_id market-data session
     * @param request_id caller's id of the request
     * @param exchange_index market of the security
     * @param security_code security code
     * @return true when the request was sent
     * Remarks: A null security code is refused (310).
     */
    bool query_level1_quote(uint64_t session_id, uint64_t request_id, ExchangeIndex exchange_index,
                            const char* security_code);
    /**
     * Queries the level-1 quotes of every security.
     * @param session_id market-data session
     * @param request_id caller's id of the request
     * @return true when the request was sent
     */
    bool query_all_level1_quote(uint64_t session_id, uint64_t request_id);
    /**
     * Asks for level-2 tick records again.
     * @param session_id market-data session
     * @param request_id caller's id of the request
     * @param request channel and sequence range, read during the call
     * @return true when the request was sent
     * Remarks: A null request is refused (310); without an initialised market-data interface the error is "quote api
     * has not initialized".
     */
    bool request_rebuild_tick_quote(uint64_t session_id, uint64_t request_id,
                                    const trv_rebuild_tick_quote_req_t* request);

protected:
    TRVQuoteApi() {}
    ~TRVQuoteApi() {}

private:
    TRVQuoteApi(const TRVQuoteApi&) = delete;
    TRVQuoteApi& operator=(const TRVQuoteApi&) = delete;
};

}  // namespace nq

#ifndef SWIG
#undef TRV_ALIGN
#undef TRV_AT
#undef TRV_LAYOUT
#endif

#endif  // TRV_API_H
