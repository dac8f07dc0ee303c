// Every enumeration value and constant of the public header, pinned at compile
// time: these numbers are on the wire, in files and in user programs, so a
// changed value must fail the build. Written from the published tables, not
// from the header.
#include <gtest/gtest.h>

#include <cstdint>
#include <type_traits>

#include "trv_api.h"

namespace {

template <typename E>
constexpr long long value_of(E e) {
    return static_cast<long long>(e);
}

// Scoped enumerations do not convert to int on their own.
template <typename E>
constexpr bool is_scoped() {
    return std::is_enum<E>::value && !std::is_convertible<E, int>::value;
}

// ---- scalar types ----
static_assert(std::is_integral<nq::amount_t>::value && sizeof(nq::amount_t) == 8 && std::is_signed<nq::amount_t>::value,
              "amount_t: signed 64-bit");
static_assert(std::is_integral<nq::price_t>::value && sizeof(nq::price_t) == 8 && std::is_signed<nq::price_t>::value,
              "price_t: signed 64-bit");
static_assert(std::is_integral<nq::quantity_t>::value && sizeof(nq::quantity_t) == 8 &&
                  std::is_signed<nq::quantity_t>::value,
              "quantity_t: signed 64-bit");
static_assert(std::is_integral<nq::trade_message_type_t>::value && sizeof(nq::trade_message_type_t) == 4 &&
                  std::is_unsigned<nq::trade_message_type_t>::value,
              "trade_message_type_t: unsigned 32-bit");

// ---- length constants (int) ----
static_assert(std::is_same<decltype(nq::CONST_STR_SECURITY_CODE_LEN), const int>::value &&
                  nq::CONST_STR_SECURITY_CODE_LEN == 9,
              "CONST_STR_SECURITY_CODE_LEN");
static_assert(std::is_same<decltype(nq::CONST_ERROR_MSG_LEN), const int>::value && nq::CONST_ERROR_MSG_LEN == 256,
              "CONST_ERROR_MSG_LEN");
static_assert(std::is_same<decltype(nq::CONST_SECURITY_NAME_LEN), const int>::value &&
                  nq::CONST_SECURITY_NAME_LEN == 41,
              "CONST_SECURITY_NAME_LEN");
static_assert(std::is_same<decltype(nq::CONST_ACC_NAME_LEN), const int>::value && nq::CONST_ACC_NAME_LEN == 65,
              "CONST_ACC_NAME_LEN");
static_assert(std::is_same<decltype(nq::CONST_ACC_PASSWD_LEN), const int>::value && nq::CONST_ACC_PASSWD_LEN == 129,
              "CONST_ACC_PASSWD_LEN");
static_assert(std::is_same<decltype(nq::CONST_TERMINAL_INFO_LEN), const int>::value &&
                  nq::CONST_TERMINAL_INFO_LEN == 257,
              "CONST_TERMINAL_INFO_LEN");
static_assert(std::is_same<decltype(nq::CONST_API_VERSION_STR_LEN), const int>::value &&
                  nq::CONST_API_VERSION_STR_LEN == 25,
              "CONST_API_VERSION_STR_LEN");
static_assert(std::is_same<decltype(nq::CONST_CL_ORD_ID_LEN), const int>::value && nq::CONST_CL_ORD_ID_LEN == 11,
              "CONST_CL_ORD_ID_LEN");
static_assert(std::is_same<decltype(nq::CONST_REPORT_ID_LEN), const int>::value && nq::CONST_REPORT_ID_LEN == 32,
              "CONST_REPORT_ID_LEN");
static_assert(std::is_same<decltype(nq::CONST_TRD_EXEC_ID_LEN), const int>::value && nq::CONST_TRD_EXEC_ID_LEN == 17,
              "CONST_TRD_EXEC_ID_LEN");
static_assert(std::is_same<decltype(nq::CONST_FUND_ACC_NAME_LEN), const int>::value &&
                  nq::CONST_FUND_ACC_NAME_LEN == 15,
              "CONST_FUND_ACC_NAME_LEN");
static_assert(std::is_same<decltype(nq::CONST_BIZ_NO_LEN), const int>::value && nq::CONST_BIZ_NO_LEN == 20,
              "CONST_BIZ_NO_LEN");
static_assert(std::is_same<decltype(nq::PAGE_REQ_COUNT_MIN), const int>::value && nq::PAGE_REQ_COUNT_MIN == 1,
              "PAGE_REQ_COUNT_MIN");

// ---- trade-message kinds ----
static_assert(std::is_same<decltype(nq::TradeMessageType::REPORT), const nq::trade_message_type_t>::value ||
                  std::is_convertible<decltype(nq::TradeMessageType::REPORT), nq::trade_message_type_t>::value,
              "TradeMessageType::REPORT type");
static_assert(static_cast<nq::trade_message_type_t>(nq::TradeMessageType::REPORT) == 1u, "TradeMessageType::REPORT");
static_assert(std::is_same<decltype(nq::TradeMessageType::RAW_REPORT), const nq::trade_message_type_t>::value ||
                  std::is_convertible<decltype(nq::TradeMessageType::RAW_REPORT), nq::trade_message_type_t>::value,
              "TradeMessageType::RAW_REPORT type");
static_assert(static_cast<nq::trade_message_type_t>(nq::TradeMessageType::RAW_REPORT) == 2u,
              "TradeMessageType::RAW_REPORT");
static_assert(std::is_same<decltype(nq::TradeMessageType::ORDER_BOOK), const nq::trade_message_type_t>::value ||
                  std::is_convertible<decltype(nq::TradeMessageType::ORDER_BOOK), nq::trade_message_type_t>::value,
              "TradeMessageType::ORDER_BOOK type");
static_assert(static_cast<nq::trade_message_type_t>(nq::TradeMessageType::ORDER_BOOK) == 4u,
              "TradeMessageType::ORDER_BOOK");

// ---- enumerations: kind, width and every member ----
// ExchangeIndex: scoped, 8-bit
static_assert(is_scoped<nq::ExchangeIndex>(), "ExchangeIndex is scoped");
static_assert(sizeof(nq::ExchangeIndex) == 1, "ExchangeIndex is 8-bit");
static_assert(value_of(nq::ExchangeIndex::INIT) == 0, "ExchangeIndex INIT");
static_assert(value_of(nq::ExchangeIndex::SH) == 1, "ExchangeIndex SH");
static_assert(value_of(nq::ExchangeIndex::SZ) == 2, "ExchangeIndex SZ");
// Side: scoped, 8-bit
static_assert(is_scoped<nq::Side>(), "Side is scoped");
static_assert(sizeof(nq::Side) == 1, "Side is 8-bit");
static_assert(value_of(nq::Side::BUY) == 1, "Side BUY");
static_assert(value_of(nq::Side::SELL) == 2, "Side SELL");
// OrderType: scoped, 8-bit
static_assert(is_scoped<nq::OrderType>(), "OrderType is scoped");
static_assert(sizeof(nq::OrderType) == 1, "OrderType is 8-bit");
static_assert(value_of(nq::OrderType::NONE) == 0, "OrderType NONE");
static_assert(value_of(nq::OrderType::BEST_FIVE_PRICE_OR_CANCEL) == 1, "OrderType BEST_FIVE_PRICE_OR_CANCEL");
static_assert(value_of(nq::OrderType::LIMIT_PRICE) == 2, "OrderType LIMIT_PRICE");
static_assert(value_of(nq::OrderType::BEST_FIVE_PRICE_TO_LIMIT) == 3, "OrderType BEST_FIVE_PRICE_TO_LIMIT");
static_assert(value_of(nq::OrderType::SELF_BEST) == 4, "OrderType SELF_BEST");
static_assert(value_of(nq::OrderType::COUNTER_BEST) == 5, "OrderType COUNTER_BEST");
static_assert(value_of(nq::OrderType::MARKET_PRICE_OR_CANCEL) == 6, "OrderType MARKET_PRICE_OR_CANCEL");
static_assert(value_of(nq::OrderType::MARKET_PRICE_ALL_OR_CANCEL) == 7, "OrderType MARKET_PRICE_ALL_OR_CANCEL");
// BusinessType: scoped, 8-bit
static_assert(is_scoped<nq::BusinessType>(), "BusinessType is scoped");
static_assert(sizeof(nq::BusinessType) == 1, "BusinessType is 8-bit");
static_assert(value_of(nq::BusinessType::NONE) == 0, "BusinessType NONE");
static_assert(value_of(nq::BusinessType::CASH) == 1, "BusinessType CASH");
static_assert(value_of(nq::BusinessType::BOND_MATCH) == 2, "BusinessType BOND_MATCH");
static_assert(value_of(nq::BusinessType::ETF) == 3, "BusinessType ETF");
static_assert(value_of(nq::BusinessType::ISSUE) == 4, "BusinessType ISSUE");
static_assert(value_of(nq::BusinessType::ALLOT) == 5, "BusinessType ALLOT");
static_assert(value_of(nq::BusinessType::BOND_CONVERT) == 6, "BusinessType BOND_CONVERT");
static_assert(value_of(nq::BusinessType::PLEDGE_STYLE_REPO) == 7, "BusinessType PLEDGE_STYLE_REPO");
// OrderStatus: scoped, 8-bit
static_assert(is_scoped<nq::OrderStatus>(), "OrderStatus is scoped");
static_assert(sizeof(nq::OrderStatus) == 1, "OrderStatus is 8-bit");
static_assert(value_of(nq::OrderStatus::INIT) == 0, "OrderStatus INIT");
static_assert(value_of(nq::OrderStatus::ALL_TRADED) == 1, "OrderStatus ALL_TRADED");
static_assert(value_of(nq::OrderStatus::PART_TRADED) == 2, "OrderStatus PART_TRADED");
static_assert(value_of(nq::OrderStatus::PART_CANCELED) == 3, "OrderStatus PART_CANCELED");
static_assert(value_of(nq::OrderStatus::NOT_TRADED) == 4, "OrderStatus NOT_TRADED");
static_assert(value_of(nq::OrderStatus::ALL_CANCELED) == 5, "OrderStatus ALL_CANCELED");
static_assert(value_of(nq::OrderStatus::REJECTED) == 6, "OrderStatus REJECTED");
static_assert(value_of(nq::OrderStatus::COUNT) == 7, "OrderStatus COUNT");
// ExOrdStatus: unscoped, 8-bit character
static_assert(std::is_enum<nq::ExOrdStatus>::value && !is_scoped<nq::ExOrdStatus>(), "ExOrdStatus is unscoped");
static_assert(std::is_same<std::underlying_type<nq::ExOrdStatus>::type, char>::value, "ExOrdStatus holds a character");
static_assert(value_of(nq::ORD_STATUS_NEW) == '0', "ExOrdStatus ORD_STATUS_NEW");
static_assert(std::is_same<decltype(nq::ORD_STATUS_NEW), nq::ExOrdStatus>::value, "ORD_STATUS_NEW is a ExOrdStatus");
static_assert(value_of(nq::ORD_STATUS_PARTIAL_FILLED) == '1', "ExOrdStatus ORD_STATUS_PARTIAL_FILLED");
static_assert(std::is_same<decltype(nq::ORD_STATUS_PARTIAL_FILLED), nq::ExOrdStatus>::value,
              "ORD_STATUS_PARTIAL_FILLED is a ExOrdStatus");
static_assert(value_of(nq::ORD_STATUS_FILLED) == '2', "ExOrdStatus ORD_STATUS_FILLED");
static_assert(std::is_same<decltype(nq::ORD_STATUS_FILLED), nq::ExOrdStatus>::value,
              "ORD_STATUS_FILLED is a ExOrdStatus");
static_assert(value_of(nq::ORD_STATUS_CANCELLED) == '4', "ExOrdStatus ORD_STATUS_CANCELLED");
static_assert(std::is_same<decltype(nq::ORD_STATUS_CANCELLED), nq::ExOrdStatus>::value,
              "ORD_STATUS_CANCELLED is a ExOrdStatus");
static_assert(value_of(nq::ORD_STATUS_REJECT) == '8', "ExOrdStatus ORD_STATUS_REJECT");
static_assert(std::is_same<decltype(nq::ORD_STATUS_REJECT), nq::ExOrdStatus>::value,
              "ORD_STATUS_REJECT is a ExOrdStatus");
// ExExecType: unscoped, 8-bit character
static_assert(std::is_enum<nq::ExExecType>::value && !is_scoped<nq::ExExecType>(), "ExExecType is unscoped");
static_assert(std::is_same<std::underlying_type<nq::ExExecType>::type, char>::value, "ExExecType holds a character");
static_assert(value_of(nq::EXEC_TYPE_NEW) == '0', "ExExecType EXEC_TYPE_NEW");
static_assert(std::is_same<decltype(nq::EXEC_TYPE_NEW), nq::ExExecType>::value, "EXEC_TYPE_NEW is a ExExecType");
static_assert(value_of(nq::EXEC_TYPE_CANCELED) == '4', "ExExecType EXEC_TYPE_CANCELED");
static_assert(std::is_same<decltype(nq::EXEC_TYPE_CANCELED), nq::ExExecType>::value,
              "EXEC_TYPE_CANCELED is a ExExecType");
static_assert(value_of(nq::EXEC_TYPE_REJECT) == '8', "ExExecType EXEC_TYPE_REJECT");
static_assert(std::is_same<decltype(nq::EXEC_TYPE_REJECT), nq::ExExecType>::value, "EXEC_TYPE_REJECT is a ExExecType");
static_assert(value_of(nq::EXEC_TYPE_TRADE) == 'F', "ExExecType EXEC_TYPE_TRADE");
static_assert(std::is_same<decltype(nq::EXEC_TYPE_TRADE), nq::ExExecType>::value, "EXEC_TYPE_TRADE is a ExExecType");
// TradeReportType: scoped, 8-bit
static_assert(is_scoped<nq::TradeReportType>(), "TradeReportType is scoped");
static_assert(sizeof(nq::TradeReportType) == 1, "TradeReportType is 8-bit");
static_assert(value_of(nq::TradeReportType::UNKNOWN) == 0, "TradeReportType UNKNOWN");
static_assert(value_of(nq::TradeReportType::ORDER_RESPONSE) == 1, "TradeReportType ORDER_RESPONSE");
static_assert(value_of(nq::TradeReportType::CANCEL_RESPONSE) == 2, "TradeReportType CANCEL_RESPONSE");
static_assert(value_of(nq::TradeReportType::TRADE_REPORT) == 3, "TradeReportType TRADE_REPORT");
static_assert(value_of(nq::TradeReportType::ORDER_ERROR_RESPONSE) == 4, "TradeReportType ORDER_ERROR_RESPONSE");
static_assert(value_of(nq::TradeReportType::ORDER_END) == 5, "TradeReportType ORDER_END");
// FundTransSource: scoped, 8-bit
static_assert(is_scoped<nq::FundTransSource>(), "FundTransSource is scoped");
static_assert(sizeof(nq::FundTransSource) == 1, "FundTransSource is 8-bit");
static_assert(value_of(nq::FundTransSource::ADMIN) == 0, "FundTransSource ADMIN");
static_assert(value_of(nq::FundTransSource::OTHER) == 1, "FundTransSource OTHER");
// FundTransSide: scoped, 8-bit
static_assert(is_scoped<nq::FundTransSide>(), "FundTransSide is scoped");
static_assert(sizeof(nq::FundTransSide) == 1, "FundTransSide is 8-bit");
static_assert(value_of(nq::FundTransSide::UNKNOWN) == 0, "FundTransSide UNKNOWN");
static_assert(value_of(nq::FundTransSide::IN) == 1, "FundTransSide IN");
static_assert(value_of(nq::FundTransSide::OUT) == 2, "FundTransSide OUT");
// FundTransStatus: scoped, 8-bit
static_assert(is_scoped<nq::FundTransStatus>(), "FundTransStatus is scoped");
static_assert(sizeof(nq::FundTransStatus) == 1, "FundTransStatus is 8-bit");
static_assert(value_of(nq::FundTransStatus::DOING) == 0, "FundTransStatus DOING");
static_assert(value_of(nq::FundTransStatus::SUCCESS) == 1, "FundTransStatus SUCCESS");
static_assert(value_of(nq::FundTransStatus::FAIL) == 2, "FundTransStatus FAIL");
static_assert(value_of(nq::FundTransStatus::EXCEPTION) == 3, "FundTransStatus EXCEPTION");
// FundTransExecType: scoped, 8-bit
static_assert(is_scoped<nq::FundTransExecType>(), "FundTransExecType is scoped");
static_assert(sizeof(nq::FundTransExecType) == 1, "FundTransExecType is 8-bit");
static_assert(value_of(nq::FundTransExecType::NORMAL) == 0, "FundTransExecType NORMAL");
static_assert(value_of(nq::FundTransExecType::ROLLBACK) == 1, "FundTransExecType ROLLBACK");
// QuoteSecurityType: scoped, 8-bit
static_assert(is_scoped<nq::QuoteSecurityType>(), "QuoteSecurityType is scoped");
static_assert(sizeof(nq::QuoteSecurityType) == 1, "QuoteSecurityType is 8-bit");
static_assert(value_of(nq::QuoteSecurityType::STOCK) == 1, "QuoteSecurityType STOCK");
static_assert(value_of(nq::QuoteSecurityType::FUND) == 2, "QuoteSecurityType FUND");
static_assert(value_of(nq::QuoteSecurityType::BOND) == 3, "QuoteSecurityType BOND");
static_assert(value_of(nq::QuoteSecurityType::OPTION) == 4, "QuoteSecurityType OPTION");
static_assert(value_of(nq::QuoteSecurityType::INDEX) == 5, "QuoteSecurityType INDEX");
static_assert(value_of(nq::QuoteSecurityType::UNKNOWN) == 99, "QuoteSecurityType UNKNOWN");
// QualificationType: scoped
static_assert(is_scoped<nq::QualificationType>(), "QualificationType is scoped");
static_assert(value_of(nq::QualificationType::PUBLIC) == 1, "QualificationType PUBLIC");
static_assert(value_of(nq::QualificationType::COMMON) == 2, "QualificationType COMMON");
static_assert(value_of(nq::QualificationType::ORGANIZATION) == 3, "QualificationType ORGANIZATION");
static_assert(value_of(nq::QualificationType::UNKNOWN) == 99, "QualificationType UNKNOWN");
// TradeResumeType: scoped
static_assert(is_scoped<nq::TradeResumeType>(), "TradeResumeType is scoped");
static_assert(value_of(nq::TradeResumeType::RESTART) == 1, "TradeResumeType RESTART");
static_assert(value_of(nq::TradeResumeType::QUICK) == 2, "TradeResumeType QUICK");
static_assert(value_of(nq::TradeResumeType::SPECIFY) == 3, "TradeResumeType SPECIFY");
static_assert(value_of(nq::TradeResumeType::NONE) == 99, "TradeResumeType NONE");
// TerminalType: scoped, 8-bit
static_assert(is_scoped<nq::TerminalType>(), "TerminalType is scoped");
static_assert(sizeof(nq::TerminalType) == 1, "TerminalType is 8-bit");
static_assert(value_of(nq::TerminalType::PC) == 1, "TerminalType PC");
static_assert(value_of(nq::TerminalType::ANDROID) == 2, "TerminalType ANDROID");
static_assert(value_of(nq::TerminalType::IOS) == 3, "TerminalType IOS");
static_assert(value_of(nq::TerminalType::WP) == 4, "TerminalType WP");
static_assert(value_of(nq::TerminalType::STATION) == 5, "TerminalType STATION");
static_assert(value_of(nq::TerminalType::TEL) == 6, "TerminalType TEL");
static_assert(value_of(nq::TerminalType::PC_LINUX) == 7, "TerminalType PC_LINUX");
// ApiLogLevel: scoped
static_assert(is_scoped<nq::ApiLogLevel>(), "ApiLogLevel is scoped");
static_assert(value_of(nq::ApiLogLevel::LOG_FATAL) == 0, "ApiLogLevel LOG_FATAL");
static_assert(value_of(nq::ApiLogLevel::LOG_ERROR) == 1, "ApiLogLevel LOG_ERROR");
static_assert(value_of(nq::ApiLogLevel::LOG_WARN) == 2, "ApiLogLevel LOG_WARN");
static_assert(value_of(nq::ApiLogLevel::LOG_INFO) == 3, "ApiLogLevel LOG_INFO");
static_assert(value_of(nq::ApiLogLevel::LOG_DEBUG) == 4, "ApiLogLevel LOG_DEBUG");
static_assert(value_of(nq::ApiLogLevel::LOG_TRACE) == 5, "ApiLogLevel LOG_TRACE");
// QuoteMsgType: unscoped, 8-bit
static_assert(std::is_enum<nq::QuoteMsgType>::value && !is_scoped<nq::QuoteMsgType>(), "QuoteMsgType is unscoped");
static_assert(sizeof(nq::QuoteMsgType) == 1, "QuoteMsgType is 8-bit");
static_assert(value_of(nq::SSE_L1_INDEX) == 0, "QuoteMsgType SSE_L1_INDEX");
static_assert(std::is_same<decltype(nq::SSE_L1_INDEX), nq::QuoteMsgType>::value, "SSE_L1_INDEX is a QuoteMsgType");
static_assert(value_of(nq::SSE_L1_SNAPSHOT) == 1, "QuoteMsgType SSE_L1_SNAPSHOT");
static_assert(std::is_same<decltype(nq::SSE_L1_SNAPSHOT), nq::QuoteMsgType>::value,
              "SSE_L1_SNAPSHOT is a QuoteMsgType");
static_assert(value_of(nq::SZSE_L1_INDEX) == 2, "QuoteMsgType SZSE_L1_INDEX");
static_assert(std::is_same<decltype(nq::SZSE_L1_INDEX), nq::QuoteMsgType>::value, "SZSE_L1_INDEX is a QuoteMsgType");
static_assert(value_of(nq::SZSE_L1_SNAPSHOT) == 3, "QuoteMsgType SZSE_L1_SNAPSHOT");
static_assert(std::is_same<decltype(nq::SZSE_L1_SNAPSHOT), nq::QuoteMsgType>::value,
              "SZSE_L1_SNAPSHOT is a QuoteMsgType");
static_assert(value_of(nq::SZSE_L1_BOND_SNAPSHOT) == 4, "QuoteMsgType SZSE_L1_BOND_SNAPSHOT");
static_assert(std::is_same<decltype(nq::SZSE_L1_BOND_SNAPSHOT), nq::QuoteMsgType>::value,
              "SZSE_L1_BOND_SNAPSHOT is a QuoteMsgType");
static_assert(value_of(nq::SSE_L2_TICK) == 32, "QuoteMsgType SSE_L2_TICK");
static_assert(std::is_same<decltype(nq::SSE_L2_TICK), nq::QuoteMsgType>::value, "SSE_L2_TICK is a QuoteMsgType");
static_assert(value_of(nq::SSE_L2_BOND_TICK) == 33, "QuoteMsgType SSE_L2_BOND_TICK");
static_assert(std::is_same<decltype(nq::SSE_L2_BOND_TICK), nq::QuoteMsgType>::value,
              "SSE_L2_BOND_TICK is a QuoteMsgType");
static_assert(value_of(nq::SZSE_L2_ORDER) == 64, "QuoteMsgType SZSE_L2_ORDER");
static_assert(std::is_same<decltype(nq::SZSE_L2_ORDER), nq::QuoteMsgType>::value, "SZSE_L2_ORDER is a QuoteMsgType");
static_assert(value_of(nq::SZSE_L2_TRADE) == 65, "QuoteMsgType SZSE_L2_TRADE");
static_assert(std::is_same<decltype(nq::SZSE_L2_TRADE), nq::QuoteMsgType>::value, "SZSE_L2_TRADE is a QuoteMsgType");
// QuoteMCType: unscoped, 16-bit
static_assert(std::is_enum<nq::QuoteMCType>::value && !is_scoped<nq::QuoteMCType>(), "QuoteMCType is unscoped");
static_assert(sizeof(nq::QuoteMCType) == 2, "QuoteMCType is 16-bit");
static_assert(value_of(nq::TRV_SSE_L1) == 1, "QuoteMCType TRV_SSE_L1");
static_assert(std::is_same<decltype(nq::TRV_SSE_L1), nq::QuoteMCType>::value, "TRV_SSE_L1 is a QuoteMCType");
static_assert(value_of(nq::TRV_SZSE_L1) == 2, "QuoteMCType TRV_SZSE_L1");
static_assert(std::is_same<decltype(nq::TRV_SZSE_L1), nq::QuoteMCType>::value, "TRV_SZSE_L1 is a QuoteMCType");
static_assert(value_of(nq::DVS_SSE_L2_STOCK_SNAP) == 101, "QuoteMCType DVS_SSE_L2_STOCK_SNAP");
static_assert(std::is_same<decltype(nq::DVS_SSE_L2_STOCK_SNAP), nq::QuoteMCType>::value,
              "DVS_SSE_L2_STOCK_SNAP is a QuoteMCType");
static_assert(value_of(nq::DVS_SSE_L2_STOCK_TICK) == 102, "QuoteMCType DVS_SSE_L2_STOCK_TICK");
static_assert(std::is_same<decltype(nq::DVS_SSE_L2_STOCK_TICK), nq::QuoteMCType>::value,
              "DVS_SSE_L2_STOCK_TICK is a QuoteMCType");
static_assert(value_of(nq::DVS_SSE_L2_INDEX) == 103, "QuoteMCType DVS_SSE_L2_INDEX");
static_assert(std::is_same<decltype(nq::DVS_SSE_L2_INDEX), nq::QuoteMCType>::value,
              "DVS_SSE_L2_INDEX is a QuoteMCType");
static_assert(value_of(nq::DVS_SSE_L2_BOND_SNAP) == 104, "QuoteMCType DVS_SSE_L2_BOND_SNAP");
static_assert(std::is_same<decltype(nq::DVS_SSE_L2_BOND_SNAP), nq::QuoteMCType>::value,
              "DVS_SSE_L2_BOND_SNAP is a QuoteMCType");
static_assert(value_of(nq::DVS_SSE_L2_BOND_TICK) == 105, "QuoteMCType DVS_SSE_L2_BOND_TICK");
static_assert(std::is_same<decltype(nq::DVS_SSE_L2_BOND_TICK), nq::QuoteMCType>::value,
              "DVS_SSE_L2_BOND_TICK is a QuoteMCType");
static_assert(value_of(nq::DVS_SZSE_L2_STOCK_SNAP) == 106, "QuoteMCType DVS_SZSE_L2_STOCK_SNAP");
static_assert(std::is_same<decltype(nq::DVS_SZSE_L2_STOCK_SNAP), nq::QuoteMCType>::value,
              "DVS_SZSE_L2_STOCK_SNAP is a QuoteMCType");
static_assert(value_of(nq::DVS_SZSE_L2_STOCK_TICK) == 107, "QuoteMCType DVS_SZSE_L2_STOCK_TICK");
static_assert(std::is_same<decltype(nq::DVS_SZSE_L2_STOCK_TICK), nq::QuoteMCType>::value,
              "DVS_SZSE_L2_STOCK_TICK is a QuoteMCType");
static_assert(value_of(nq::DVS_SZSE_L2_INDEX) == 108, "QuoteMCType DVS_SZSE_L2_INDEX");
static_assert(std::is_same<decltype(nq::DVS_SZSE_L2_INDEX), nq::QuoteMCType>::value,
              "DVS_SZSE_L2_INDEX is a QuoteMCType");
static_assert(value_of(nq::DVS_SZSE_L2_BOND_SNAP) == 109, "QuoteMCType DVS_SZSE_L2_BOND_SNAP");
static_assert(std::is_same<decltype(nq::DVS_SZSE_L2_BOND_SNAP), nq::QuoteMCType>::value,
              "DVS_SZSE_L2_BOND_SNAP is a QuoteMCType");
static_assert(value_of(nq::DVS_SZSE_L2_BOND_TICK) == 110, "QuoteMCType DVS_SZSE_L2_BOND_TICK");
static_assert(std::is_same<decltype(nq::DVS_SZSE_L2_BOND_TICK), nq::QuoteMCType>::value,
              "DVS_SZSE_L2_BOND_TICK is a QuoteMCType");
// QuoteRxMode: unscoped, 8-bit
static_assert(std::is_enum<nq::QuoteRxMode>::value && !is_scoped<nq::QuoteRxMode>(), "QuoteRxMode is unscoped");
static_assert(sizeof(nq::QuoteRxMode) == 1, "QuoteRxMode is 8-bit");
static_assert(value_of(nq::RX_MODE_AUTO) == 0, "QuoteRxMode RX_MODE_AUTO");
static_assert(std::is_same<decltype(nq::RX_MODE_AUTO), nq::QuoteRxMode>::value, "RX_MODE_AUTO is a QuoteRxMode");
static_assert(value_of(nq::RX_MODE_SOCKET) == 1, "QuoteRxMode RX_MODE_SOCKET");
static_assert(std::is_same<decltype(nq::RX_MODE_SOCKET), nq::QuoteRxMode>::value, "RX_MODE_SOCKET is a QuoteRxMode");
static_assert(value_of(nq::RX_MODE_EFVI) == 2, "QuoteRxMode RX_MODE_EFVI");
static_assert(std::is_same<decltype(nq::RX_MODE_EFVI), nq::QuoteRxMode>::value, "RX_MODE_EFVI is a QuoteRxMode");
// ApiType: -
static_assert(std::is_enum<nq::ApiType>::value, "ApiType is an enumeration");
static_assert(value_of(nq::ApiType::PRIVILEGE) == 0, "ApiType PRIVILEGE");
static_assert(value_of(nq::ApiType::TRADE) == 1, "ApiType TRADE");
static_assert(value_of(nq::ApiType::QUOTE) == 2, "ApiType QUOTE");

// ---- level-2 feed constants ----
static_assert(SSE_EXCHANGE_ID == 100, "SSE_EXCHANGE_ID");
static_assert(SZE_EXCHANGE_ID == 101, "SZE_EXCHANGE_ID");
static_assert(SSE_SYMBOL_LEN == 9, "SSE_SYMBOL_LEN");
static_assert(SZE_SYMBOL_LEN == 9, "SZE_SYMBOL_LEN");
static_assert(SSE_LEV2_DEPTH == 10, "SSE_LEV2_DEPTH");
static_assert(SZE_LEV2_DEPTH == 10, "SZE_LEV2_DEPTH");
static_assert(SZE_IBR_DEPTH == 5, "SZE_IBR_DEPTH");
static_assert(SSE_OPTION_DEPTH == 5, "SSE_OPTION_DEPTH");
static_assert(SSE_SECURITY_NAME_LEN == 9, "SSE_SECURITY_NAME_LEN");
static_assert(SSE_PRODUCT_STATUS_LEN == 21, "SSE_PRODUCT_STATUS_LEN");
static_assert(DATE_LEN == 9, "DATE_LEN");
static_assert(SSE_STATIC_INFO_OK == 0, "SSE_STATIC_INFO_OK");
static_assert(SSE_STATIC_INFO_SYMBOL_IS_INCORRECT == -1, "SSE_STATIC_INFO_SYMBOL_IS_INCORRECT");
static_assert(SSE_STATIC_INFO_NOT_FOUND_SYMBOL == -2, "SSE_STATIC_INFO_NOT_FOUND_SYMBOL");
static_assert(SSE_STATIC_INFO_FOUND_SYMBOL_BUT_NO_VALUE == -3, "SSE_STATIC_INFO_FOUND_SYMBOL_BUT_NO_VALUE");
static_assert(SSE_LEV2_ORDER_MSG_TYPE == 32, "SSE_LEV2_ORDER_MSG_TYPE");
static_assert(SSE_LEV2_IDX_MSG_TYPE == 33, "SSE_LEV2_IDX_MSG_TYPE");
static_assert(SSE_LEV2_EXE_MSG_TYPE == 34, "SSE_LEV2_EXE_MSG_TYPE");
static_assert(SSE_LEV2_OPT_MSG_TYPE == 35, "SSE_LEV2_OPT_MSG_TYPE");
static_assert(SSE_LEV2_TREE_MSG_TYPE == 38, "SSE_LEV2_TREE_MSG_TYPE");
static_assert(SSE_LEV2_SNAP_MSG_TYPE == 39, "SSE_LEV2_SNAP_MSG_TYPE");
static_assert(SSE_LEV2_BOND_SNAP_MSG_TYPE == 60, "SSE_LEV2_BOND_SNAP_MSG_TYPE");
static_assert(SSE_LEV2_BOND_TICK_MSG_TYPE == 61, "SSE_LEV2_BOND_TICK_MSG_TYPE");
static_assert(SSE_LEV2_TICK_MERGE_MSG_TYPE == 62, "SSE_LEV2_TICK_MERGE_MSG_TYPE");
static_assert(SSE_LEV2_ETF_MSG_TYPE == 63, "SSE_LEV2_ETF_MSG_TYPE");
static_assert(SSE_LEV2_BOND_TREE_MSG_TYPE == 66, "SSE_LEV2_BOND_TREE_MSG_TYPE");
static_assert(SSE_LEV2_STATIC_INFO_MSG_TYPE == 255, "SSE_LEV2_STATIC_INFO_MSG_TYPE");
static_assert(SZE_LEV2_SNAP_MSG_TYPE == 21, "SZE_LEV2_SNAP_MSG_TYPE");
static_assert(SZE_LEV2_IDX_MSG_TYPE == 22, "SZE_LEV2_IDX_MSG_TYPE");
static_assert(SZE_LEV2_ORDER_MSG_TYPE == 23, "SZE_LEV2_ORDER_MSG_TYPE");
static_assert(SZE_LEV2_EXE_MSG_TYPE == 24, "SZE_LEV2_EXE_MSG_TYPE");
static_assert(SZE_LEV2_AF_CLOSE_MSG_TYPE == 25, "SZE_LEV2_AF_CLOSE_MSG_TYPE");
static_assert(SZE_LEV2_TURNOVER_MSG_TYPE == 26, "SZE_LEV2_TURNOVER_MSG_TYPE");
static_assert(SZE_LEV2_IBR_TREE_MSG_TYPE == 28, "SZE_LEV2_IBR_TREE_MSG_TYPE");
static_assert(SZE_LEV2_TREE_MSG_TYPE == 29, "SZE_LEV2_TREE_MSG_TYPE");
static_assert(SZE_LEV2_BOND_SNAP_MSG_TYPE == 80, "SZE_LEV2_BOND_SNAP_MSG_TYPE");
static_assert(SZE_LEV2_BOND_ORDER_MSG_TYPE == 81, "SZE_LEV2_BOND_ORDER_MSG_TYPE");
static_assert(SZE_LEV2_BOND_EXE_MSG_TYPE == 82, "SZE_LEV2_BOND_EXE_MSG_TYPE");
static_assert(SSE_LEV2_TICK_HT_MSG_TYPE == 132, "SSE_LEV2_TICK_HT_MSG_TYPE");
static_assert(SSE_LEV2_IDX_HT_MSG_TYPE == 133, "SSE_LEV2_IDX_HT_MSG_TYPE");
static_assert(SSE_LEV2_OPT_HT_MSG_TYPE == 135, "SSE_LEV2_OPT_HT_MSG_TYPE");
static_assert(SSE_LEV2_TREE_HT_MSG_TYPE == 138, "SSE_LEV2_TREE_HT_MSG_TYPE");
static_assert(SSE_LEV2_SNAP_HT_MSG_TYPE == 139, "SSE_LEV2_SNAP_HT_MSG_TYPE");
static_assert(SSE_LEV2_BOND_SNAP_HT_MSG_TYPE == 160, "SSE_LEV2_BOND_SNAP_HT_MSG_TYPE");
static_assert(SSE_LEV2_BOND_TICK_HT_MSG_TYPE == 161, "SSE_LEV2_BOND_TICK_HT_MSG_TYPE");
static_assert(SSE_LEV2_TICK_MERGE_HT_MSG_TYPE == 162, "SSE_LEV2_TICK_MERGE_HT_MSG_TYPE");
static_assert(SSE_LEV2_ETF_HT_MSG_TYPE == 163, "SSE_LEV2_ETF_HT_MSG_TYPE");
static_assert(SSE_LEV2_BOND_TREE_HT_MSG_TYPE == 166, "SSE_LEV2_BOND_TREE_HT_MSG_TYPE");
static_assert(SZE_LEV2_SNAP_HT_MSG_TYPE == 121, "SZE_LEV2_SNAP_HT_MSG_TYPE");
static_assert(SZE_LEV2_IDX_HT_MSG_TYPE == 122, "SZE_LEV2_IDX_HT_MSG_TYPE");
static_assert(SZE_LEV2_TICK_HT_MSG_TYPE == 123, "SZE_LEV2_TICK_HT_MSG_TYPE");
static_assert(SZE_LEV2_AF_CLOSE_HT_MSG_TYPE == 125, "SZE_LEV2_AF_CLOSE_HT_MSG_TYPE");
static_assert(SZE_LEV2_TURNOVER_HT_MSG_TYPE == 126, "SZE_LEV2_TURNOVER_HT_MSG_TYPE");
static_assert(SZE_LEV2_IBR_TREE_HT_MSG_TYPE == 128, "SZE_LEV2_IBR_TREE_HT_MSG_TYPE");
static_assert(SZE_LEV2_TREE_HT_MSG_TYPE == 129, "SZE_LEV2_TREE_HT_MSG_TYPE");
static_assert(SZE_LEV2_BOND_SNAP_HT_MSG_TYPE == 180, "SZE_LEV2_BOND_SNAP_HT_MSG_TYPE");
static_assert(SZE_LEV2_BOND_TICK_HT_MSG_TYPE == 181, "SZE_LEV2_BOND_TICK_HT_MSG_TYPE");

}  // namespace

// The checks above run when this file compiles; this test records that it did.
TEST(PublicHeaderValues, PinnedAtCompileTime) { SUCCEED(); }
