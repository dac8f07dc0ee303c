/**
 * @file trv_api.h
 * Public interface of libtrv_api: records, enumerations and constants shared
 * by the trading, privileged and market-data interfaces.
 *
 * Records are packed (fields follow each other with no gaps) because most of
 * them are handed to callbacks as pointers straight into received message
 * bodies; trv_order_insert_info_t is the one record with natural alignment.
 */
#ifndef TRV_API_H
#define TRV_API_H

#include <stddef.h>
#include <stdint.h>
#include <netinet/in.h>

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

namespace nq {

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
enum ExExecType : char {
    EXEC_TYPE_NEW = '0',
    EXEC_TYPE_CANCELED = '4',
    EXEC_TYPE_REJECT = '8',
    EXEC_TYPE_TRADE = 'F'
};
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

/** Error record of callbacks and of get_last_error. */
struct TRV_PACKED trv_error_info_t {
    /** Error category. */
    uint64_t error_code_type;
    /** Error code within the category. */
    uint64_t error_code;
    /** Message text. */
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
    /** Report time. */
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
    /** Report time. */
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
    /** Report time. */
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
    /** Report time. */
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
    /** Report time. */
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
    /** Order time. */
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
    /** Time of the last trade. */
    int64_t trade_time;
    /** Cancel time, set only when a cancel succeeded. */
    int64_t cancel_time;
    /** Time of the last update. */
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
    /** Order time. */
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
    /** Time of the last trade. */
    int64_t trade_time;
    /** Cancel time. */
    int64_t cancel_time;
    /** Time of the last update. */
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
    /** Time of the last update. */
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
    /** Start of the time window; 0 is 00:00 of the trading day. */
    int64_t begin_time;
    /** End of the time window; 0 is now. */
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
    /** Request time (set by the library). */
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
    /** Request time. */
    int64_t request_time;
    /** Result time. */
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
    /** Request time. */
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
    /** Request time. */
    int64_t request_time;
    /** Result time. */
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

#ifndef SWIG
static_assert(sizeof(trv_error_info_t) == 272, "trv_error_info_t layout");
static_assert(offsetof(trv_error_info_t, error_code) == 8, "trv_error_info_t layout");
static_assert(offsetof(trv_error_info_t, error_msg) == 16, "trv_error_info_t layout");
static_assert(sizeof(trv_msg_desc_t) == 17, "trv_msg_desc_t layout");
static_assert(offsetof(trv_msg_desc_t, is_rebuild) == 16, "trv_msg_desc_t layout");
static_assert(sizeof(trv_user_terminal_info_t) == 85, "trv_user_terminal_info_t layout");
static_assert(offsetof(trv_user_terminal_info_t, term_type) == 24, "trv_user_terminal_info_t layout");
static_assert(offsetof(trv_user_terminal_info_t, internet_ip) == 25, "trv_user_terminal_info_t layout");
static_assert(offsetof(trv_user_terminal_info_t, internet_port) == 33, "trv_user_terminal_info_t layout");
static_assert(offsetof(trv_user_terminal_info_t, macos_sno) == 37, "trv_user_terminal_info_t layout");
static_assert(offsetof(trv_user_terminal_info_t, extern_info) == 77, "trv_user_terminal_info_t layout");
#define TRV_LAYOUT(T, size) static_assert(sizeof(T) == (size), #T " size")
#define TRV_AT(T, field, off) static_assert(offsetof(T, field) == (off), #T "." #field " offset")
TRV_LAYOUT(trv_page_query_reference_t, 132);
TRV_AT(trv_page_query_reference_t, sub_table_end_points, 4);
TRV_AT(trv_page_query_reference_t, positions, 68);
TRV_LAYOUT(trv_order_insert_info_t, 40);
static_assert(alignof(trv_order_insert_info_t) == 8, "trv_order_insert_info_t keeps natural alignment");
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
static_assert(sizeof(ExchangeIndex) == 1 && sizeof(Side) == 1 && sizeof(OrderType) == 1 &&
                  sizeof(BusinessType) == 1 && sizeof(OrderStatus) == 1 && sizeof(ExOrdStatus) == 1 &&
                  sizeof(ExExecType) == 1 && sizeof(TradeReportType) == 1 && sizeof(FundTransSource) == 1 &&
                  sizeof(FundTransSide) == 1 && sizeof(FundTransStatus) == 1 && sizeof(FundTransExecType) == 1 &&
                  sizeof(QuoteSecurityType) == 1 && sizeof(TerminalType) == 1 && sizeof(QuoteMsgType) == 1 &&
                  sizeof(QuoteRxMode) == 1 && sizeof(QuoteMCType) == 2,
              "enumerations held in records have fixed widths");
#undef TRV_AT
#undef TRV_LAYOUT
#endif


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
     * @param timeout seconds after which an order without report is reported by on_order_timeout
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
        static_assert(sizeof(TRVTradeConfig) == 568 && alignof(TRVTradeConfig) == 8, "TRVTradeConfig size");
        static_assert(offsetof(TRVTradeConfig, local_addrs_) == 8, "TRVTradeConfig local addresses");
        static_assert(offsetof(TRVTradeConfig, agw_count_) == 40, "TRVTradeConfig gateway count");
        static_assert(offsetof(TRVTradeConfig, agw_addrs_) == 48, "TRVTradeConfig gateway list");
        static_assert(offsetof(TRVTradeConfig, order_timeout_) == 560, "TRVTradeConfig order timeout");
        static_assert(offsetof(TRVTradeConfig, order_seq_self_define_) == 562, "TRVTradeConfig sequence switch");
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
class TRV_API_EXPORT TRVPrivilegeConfig : public TRVTradeConfig {
};

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
        static_assert(sizeof(TRVQuoteConfig) == 584 && alignof(TRVQuoteConfig) == 8, "TRVQuoteConfig size");
        static_assert(offsetof(TRVQuoteConfig, local_addrs_) == 8, "TRVQuoteConfig local addresses");
        static_assert(offsetof(TRVQuoteConfig, reserved_) == 40, "TRVQuoteConfig reserved bytes");
        static_assert(offsetof(TRVQuoteConfig, agw_count_) == 56, "TRVQuoteConfig gateway count");
        static_assert(offsetof(TRVQuoteConfig, agw_addrs_) == 64, "TRVQuoteConfig gateway list");
        static_assert(offsetof(TRVQuoteConfig, use_level2_) == 576, "TRVQuoteConfig level-2 switch");
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
static_assert(sizeof(TRVPrivilegeConfig) == 568, "TRVPrivilegeConfig adds nothing");
#endif

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
 */
class TRV_API_EXPORT TRVTradeSpi {
public:
    virtual ~TRVTradeSpi();

    /**
     * The TCP session was lost.
     * @param session_id the lost session
     * Remarks: after it the program must call login again.
     */
    virtual void on_disconnect(uint64_t session_id);
    /**
     * No report or state change came for an order within the order timeout.
     * @param session_id session of the order
     * @param xid the order id
     * Remarks: the order has not necessarily failed; query its state.
     */
    virtual void on_order_timeout(uint64_t session_id, uint64_t xid);
    /**
     * End of a login.
     * @param session_id the session made by this login, 0 when the login failed
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
 * on_quote runs on the market-data receiver threads, the others on the library's handler
 * and heartbeat threads. A callback must not throw.
 */
class TRV_API_EXPORT TRVQuoteSpi {
public:
    virtual ~TRVQuoteSpi();

    /**
     * The TCP session was lost.
     * @param session_id the lost session
     * Remarks: after it the program must call login again.
     */
    virtual void on_disconnect(uint64_t session_id);
    /**
     * End of a login.
     * @param session_id the session made by this login, 0 when the login failed
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
     * @return the row
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
     * @return the row
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
     * @return the row
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
     * @return the row
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
     * @return the row
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
     * @return the row
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
     * @return the row
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
     * @return the row
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
     * @return the row
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
     * @return the row
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
     * @return the row
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
     * @return the row
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
     * @return the row
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
     * @return the row
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
     * @return the row
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
     * @return the row
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
     * @return the row
     */
    virtual const trv_brief_position_t* get(int index) const = 0;

protected:
    virtual ~TRVBriefPositionList() {}
};

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

#endif  // TRV_API_H
#include "trv_api_mdata.h"
