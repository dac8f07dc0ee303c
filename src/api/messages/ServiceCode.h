// Service codes of the counter protocol: the 14-bit code in every frame
// header, which answer pairs with which request, and the body length of every
// code whose body has a fixed size.
#pragma once
#include <cstdint>

namespace nq {

enum ServiceCode : uint32_t {
    HEARTBEAT = 2,

    UNUSED_RSP = 1028,  // no handler: discarded
    API_ERR_RSP = 1029,
    LOGIN_REQ = 1030,
    LOGIN_RSP = 1031,
    INIT_ASSET_NOTICE = 1032,
    INIT_POSITION_NOTICE = 1033,
    TOKEN_INVALID_NOTICE = 1034,
    SECURITY_INFO_QUERY_REQ = 1035,
    SECURITY_INFO_QUERY_RSP = 1036,
    STATIC_QUOTE_QUERY_REQ = 1037,
    STATIC_QUOTE_QUERY_RSP = 1038,
    LEVEL1_QUOTE_REQ = 1039,
    LEVEL1_QUOTE_RSP = 1040,
    DATA_TABLE_INFO_REQ = 1041,
    DATA_TABLE_INFO_RSP = 1042,
    FUND_TRADE_ACCOUNT_INDEX_REQ = 1043,
    FUND_TRADE_ACCOUNT_INDEX_RSP = 1044,  // no handler: the request ends at its timeout
    QUOTE_CHANNEL_NOTICE = 1045,
    AUTH_REQ = 1046,
    AUTH_RSP = 1047,
    TRADE_ACCOUNT_QUERY_REQ = 1048,
    TRADE_ACCOUNT_QUERY_RSP = 1049,
    SUBSCRIBE_TRADE_MESSAGE_REQ = 1050,
    SUBSCRIBE_TRADE_MESSAGE_RSP = 1051,
    REBUILD_TICK_QUOTE_REQ = 1052,
    REBUILD_TICK_QUOTE_ERR_RSP = 1053,
    REBUILD_TICK_QUOTE_RSP = 1054,
    ALL_LEVEL1_QUOTE_QUERY_REQ = 1055,
    ALL_LEVEL1_QUOTE_QUERY_RSP = 1056,

    ORDER_SH_CASH = 1283,
    ORDER_SH_BOND_MATCH = 1284,
    ORDER_SH_PLEDGE_REPO = 1285,
    ORDER_SZ_CASH = 1286,
    TRADE_HEARTBEAT = 1286,  // 56 zero bytes, UDP only
    ORDER_SZ_BOND_MATCH = 1287,
    ORDER_SZ_PLEDGE_REPO = 1288,
    CANCEL_ORDER = 1289,

    COUNTER_FUND_TRANSFER_REQ = 1347,
    CLUSTER_FUND_TRANSFER_REQ = 1348,
    TRADE_TOKEN_REQ = 1411,
    DEAUTH_REQ = 1412,
    REBUILD_TRADE_MESSAGE_REQ = 1413,
    ORDER_QUERY_REQ = 1475,
    POSITION_QUERY_REQ = 1476,
    ASSET_QUERY_REQ = 1477,
    TRADE_QUERY_REQ = 1478,
    INIT_ASSET_QUERY_REQ = 1479,
    INIT_POSITION_QUERY_REQ = 1480,
    DUMP_FINAL_FILE_REQ = 1539,
    UNBIND_USER_TGW_REQ = 1540,
    FUND_TRANSFER_EXEC_REQ = 1541,
    PRIV_COUNTER_FUND_TRANSFER_REQUEST_REQ = 1542,
    PRIV_COUNTER_FUND_TRANSFER_RESULT_REQ = 1543,
    PRIV_CLUSTER_FUND_TRANSFER_REQUEST_REQ = 1544,
    PRIV_CLUSTER_FUND_TRANSFER_RESULT_REQ = 1545,
    BRIEF_POSITION_QUERY_REQ = 1546,
    BRIEF_ASSET_QUERY_REQ = 1547,

    COUNTER_FUND_TRANSFER_RSP = 1859,
    CLUSTER_FUND_TRANSFER_RSP = 1860,
    TRADE_TOKEN_RSP = 1923,
    DEAUTH_RSP = 1924,  // no handler: the request ends at its timeout
    REBUILD_TRADE_MESSAGE_RSP = 1925,
    ORDER_QUERY_RSP = 1987,
    POSITION_QUERY_RSP = 1988,
    ASSET_QUERY_RSP = 1989,
    TRADE_QUERY_RSP = 1990,
    INIT_ASSET_QUERY_RSP = 1991,
    INIT_POSITION_QUERY_RSP = 1992,
    DUMP_FINAL_FILE_RSP = 2051,
    UNBIND_USER_TGW_RSP = 2052,
    FUND_TRANSFER_EXEC_RSP = 2053,
    PRIV_COUNTER_FUND_TRANSFER_REQUEST_RSP = 2054,
    PRIV_COUNTER_FUND_TRANSFER_RESULT_RSP = 2055,
    PRIV_CLUSTER_FUND_TRANSFER_REQUEST_RSP = 2056,
    PRIV_CLUSTER_FUND_TRANSFER_RESULT_RSP = 2057,
    BRIEF_POSITION_QUERY_RSP = 2058,
    BRIEF_ASSET_QUERY_RSP = 2059,

    ORDER_END_PUSH = 2307,
    ORDER_RESPONSE_PUSH = 2308,
    CANCEL_RESPONSE_PUSH = 2309,
    TRADE_REPORT_PUSH = 2310,
    ORDER_ERROR_PUSH = 2311,
    ORDER_ERROR2_PUSH = 2312,
    ORDER_REPORT_FILTER_PUSH = 2313,  // kept for duplicate filtering only
    RAW_REPORT_PUSH = 2339,
    ORDER_BOOK_INSERT_PUSH = 2371,
    ORDER_BOOK_UPDATE_PUSH = 2372,
    ORDER_BOOK_ERROR_PUSH = 2373,
    ASSET_PUSH = 2403,
    POSITION_PUSH = 2404,
    FUND_TRANSFER_EXEC_RESULT_PUSH = 2435,
    COUNTER_FUND_TRANSFER_REQUEST_PUSH = 2436,
    COUNTER_FUND_TRANSFER_RESULT_PUSH = 2437,
    CLUSTER_FUND_TRANSFER_REQUEST_PUSH = 2438,
    CLUSTER_FUND_TRANSFER_RESULT_PUSH = 2439,
    TOKEN_INFO_PUSH = 2467,
    QUOTE_LOGIN_INFO_PUSH = 2468,

    NO_SERVICE_CODE = 0x3fff,
};

// Largest code that can have a handler (the handler table has 16383 entries).
constexpr uint32_t kMaxServiceCode = 16382;

// The response code a tracked request waits for: request + 1 for 1030-1056,
// request + 512 for 1347-1547; NO_SERVICE_CODE for orders, cancels and every
// other code. 1052 is the exception among the first range: its answers are
// 1053 and 1054 and it is sent untracked.
constexpr uint32_t paired_response_code(uint32_t request) {
    return (request >= 1030 && request <= 1056)   ? request + 1
           : (request >= 1347 && request <= 1547) ? request + 512
                                                  : uint32_t(NO_SERVICE_CODE);
}

// Body length (bytes after the 64-byte frame header) of every code whose body
// has a fixed size, in either direction; 0 for codes of variable or unknown
// size. The raw report (2339) is 75 bytes plus the report it carries.
constexpr uint32_t body_length(uint32_t code) {
    switch (code) {
        case HEARTBEAT: return 8;
        case API_ERR_RSP: return 333;
        case LOGIN_REQ: return 919;
        case SECURITY_INFO_QUERY_REQ: return 71;
        case STATIC_QUOTE_QUERY_REQ: return 71;
        case LEVEL1_QUOTE_REQ: return 67;
        case LEVEL1_QUOTE_RSP: return 485;
        case DATA_TABLE_INFO_REQ: return 65;
        case DATA_TABLE_INFO_RSP: return 125;
        case FUND_TRADE_ACCOUNT_INDEX_REQ: return 72;
        case AUTH_REQ: return 841;
        case TRADE_ACCOUNT_QUERY_REQ: return 71;
        case SUBSCRIBE_TRADE_MESSAGE_REQ: return 74;
        case SUBSCRIBE_TRADE_MESSAGE_RSP: return 73;
        case REBUILD_TICK_QUOTE_REQ: return 76;
        case REBUILD_TICK_QUOTE_ERR_RSP: return 330;
        case REBUILD_TICK_QUOTE_RSP: return 129;
        case ALL_LEVEL1_QUOTE_QUERY_REQ: return 71;
        case ORDER_SH_CASH:
        case ORDER_SH_BOND_MATCH:
        case ORDER_SH_PLEDGE_REPO:
        case ORDER_SZ_CASH:
        case ORDER_SZ_BOND_MATCH:
        case ORDER_SZ_PLEDGE_REPO: return 56;
        case CANCEL_ORDER: return 32;
        case COUNTER_FUND_TRANSFER_REQ: return 103;
        case CLUSTER_FUND_TRANSFER_REQ: return 102;
        case TRADE_TOKEN_REQ: return 57;
        case DEAUTH_REQ: return 57;
        case REBUILD_TRADE_MESSAGE_REQ: return 81;
        case ORDER_QUERY_REQ: return 104;
        case POSITION_QUERY_REQ: return 80;
        case ASSET_QUERY_REQ: return 71;
        case TRADE_QUERY_REQ: return 79;
        case INIT_ASSET_QUERY_REQ: return 71;
        case INIT_POSITION_QUERY_REQ: return 80;
        case DUMP_FINAL_FILE_REQ: return 57;
        case UNBIND_USER_TGW_REQ: return 65;
        case FUND_TRANSFER_EXEC_REQ: return 96;
        case PRIV_COUNTER_FUND_TRANSFER_REQUEST_REQ: return 103;
        case PRIV_COUNTER_FUND_TRANSFER_RESULT_REQ: return 384;
        case PRIV_CLUSTER_FUND_TRANSFER_REQUEST_REQ: return 102;
        case PRIV_CLUSTER_FUND_TRANSFER_RESULT_REQ: return 383;
        case BRIEF_POSITION_QUERY_REQ: return 80;
        case BRIEF_ASSET_QUERY_REQ: return 71;
        case REBUILD_TRADE_MESSAGE_RSP: return 73;
        case DUMP_FINAL_FILE_RSP: return 58;
        case UNBIND_USER_TGW_RSP: return 65;
        case ORDER_END_PUSH: return 66;
        case ORDER_RESPONSE_PUSH: return 115;
        case CANCEL_RESPONSE_PUSH: return 88;
        case TRADE_REPORT_PUSH: return 125;
        case ORDER_ERROR_PUSH:
        case ORDER_ERROR2_PUSH: return 347;
        case ORDER_BOOK_INSERT_PUSH: return 119;
        case ORDER_BOOK_UPDATE_PUSH: return 251;
        case ORDER_BOOK_ERROR_PUSH: return 404;
        case ASSET_PUSH: return 97;
        case POSITION_PUSH: return 59;
        case FUND_TRANSFER_EXEC_RESULT_PUSH: return 337;
        case COUNTER_FUND_TRANSFER_REQUEST_PUSH: return 63;
        case COUNTER_FUND_TRANSFER_RESULT_PUSH: return 344;
        case CLUSTER_FUND_TRANSFER_REQUEST_PUSH: return 62;
        case CLUSTER_FUND_TRANSFER_RESULT_PUSH: return 343;
        case TOKEN_INFO_PUSH: return 593;
        case QUOTE_LOGIN_INFO_PUSH: return 84;
        default: return 0;
    }
}

// Fixed part of the raw-report body (2339); the exchange's report follows it.
constexpr uint32_t kRawReportBodyHead = 75;

}  // namespace nq
