// Layout of the public records as the counter's message bodies and the
// Python module see them, and the shape of the public interfaces.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "trv_api.h"

using namespace nq;

namespace {

struct SizeCase {
    const char* name;
    size_t actual;
    size_t expected;
};

#define SIZE_CASE(T, n) \
    SizeCase { #T, sizeof(T), n }

const SizeCase kSizes[] = {
    SIZE_CASE(trv_error_info_t, 272),
    SIZE_CASE(trv_msg_desc_t, 17),
    SIZE_CASE(trv_user_terminal_info_t, 85),
    SIZE_CASE(trv_page_query_reference_t, 132),
    SIZE_CASE(trv_order_insert_info_t, 40),
    SIZE_CASE(trv_cancel_order_info_t, 16),
    SIZE_CASE(trv_order_response_t, 98),
    SIZE_CASE(trv_cancel_response_t, 71),
    SIZE_CASE(trv_trade_report_t, 108),
    SIZE_CASE(trv_order_error_response_t, 330),
    SIZE_CASE(trv_order_end_t, 49),
    SIZE_CASE(trv_order_info_t, 450),
    SIZE_CASE(trv_order_book_insert_t, 102),
    SIZE_CASE(trv_order_book_report_union_t, 108),
    SIZE_CASE(trv_order_book_update_t, 234),
    SIZE_CASE(trv_order_book_error_t, 387),
    SIZE_CASE(trv_position_info_t, 42),
    SIZE_CASE(trv_init_position_info_t, 42),
    SIZE_CASE(trv_brief_position_t, 34),
    SIZE_CASE(trv_asset_info_t, 80),
    SIZE_CASE(trv_init_asset_info_t, 24),
    SIZE_CASE(trv_brief_asset_t, 32),
    SIZE_CASE(trv_order_query_param_t, 34),
    SIZE_CASE(trv_trade_account_info_t, 97),
    SIZE_CASE(trv_fund_transfer_head_t, 28),
    SIZE_CASE(trv_counter_fund_transfer_request_t, 46),
    SIZE_CASE(trv_counter_fund_transfer_result_t, 327),
    SIZE_CASE(trv_cluster_fund_transfer_request_t, 45),
    SIZE_CASE(trv_cluster_fund_transfer_result_t, 326),
    SIZE_CASE(trv_fund_transfer_exec_request_t, 39),
    SIZE_CASE(trv_fund_transfer_exec_result_t, 320),
    SIZE_CASE(trv_internal_token_info_t, 576),
    SIZE_CASE(trv_internal_quote_login_info_t, 67),
    SIZE_CASE(TRVTradeConfig, 568),
    SIZE_CASE(TRVPrivilegeConfig, 568),
    SIZE_CASE(TRVQuoteConfig, 584),
    SIZE_CASE(ExchangeIndex, 1),
    SIZE_CASE(Side, 1),
    SIZE_CASE(OrderType, 1),
    SIZE_CASE(BusinessType, 1),
    SIZE_CASE(OrderStatus, 1),
    SIZE_CASE(ExOrdStatus, 1),
    SIZE_CASE(ExExecType, 1),
    SIZE_CASE(TradeReportType, 1),
    SIZE_CASE(FundTransSource, 1),
    SIZE_CASE(FundTransSide, 1),
    SIZE_CASE(FundTransStatus, 1),
    SIZE_CASE(FundTransExecType, 1),
    SIZE_CASE(QuoteSecurityType, 1),
    SIZE_CASE(TerminalType, 1),
    SIZE_CASE(QuoteMsgType, 1),
    SIZE_CASE(QuoteRxMode, 1),
    SIZE_CASE(QuoteMCType, 2),
    SIZE_CASE(trade_message_type_t, 4),
};

TEST(PublicHeaderLayout, RecordSizes) {
    for (const SizeCase& c : kSizes) EXPECT_EQ(c.actual, c.expected) << c.name;
}

struct OffsetCase {
    const char* name;
    size_t actual;
    size_t expected;
};

#define AT(T, field, n) \
    OffsetCase { #T "." #field, offsetof(T, field), n }

// The last field of every record and the fields behind embedded records
// and unions, where a gap or a wrong width would show first.
const OffsetCase kOffsets[] = {
    AT(trv_error_info_t, error_msg, 16),
    AT(trv_msg_desc_t, is_rebuild, 16),
    AT(trv_user_terminal_info_t, term_type, 24),
    AT(trv_user_terminal_info_t, internet_ip, 25),
    AT(trv_user_terminal_info_t, internet_port, 33),
    AT(trv_user_terminal_info_t, macos_sno, 37),
    AT(trv_user_terminal_info_t, pcn, 45),
    AT(trv_user_terminal_info_t, cpu_sn, 53),
    AT(trv_user_terminal_info_t, pi, 61),
    AT(trv_user_terminal_info_t, vol, 69),
    AT(trv_user_terminal_info_t, extern_info, 77),
    AT(trv_page_query_reference_t, positions, 68),
    AT(trv_page_query_reference_t, positions[15], 128),
    AT(trv_order_insert_info_t, security_code, 24),
    AT(trv_order_insert_info_t, exchange_index, 33),
    AT(trv_order_insert_info_t, business_type, 36),
    AT(trv_order_response_t, report_id, 1),
    AT(trv_order_response_t, xid, 33),
    AT(trv_order_response_t, security_code, 43),
    AT(trv_order_response_t, price, 53),
    AT(trv_order_response_t, side, 69),
    AT(trv_order_response_t, cancel_reason_id, 86),
    AT(trv_order_response_t, transact_time, 90),
    AT(trv_cancel_response_t, origin_xid, 41),
    AT(trv_cancel_response_t, cancel_quantity, 51),
    AT(trv_cancel_response_t, transact_time, 63),
    AT(trv_trade_report_t, exec_id, 43),
    AT(trv_trade_report_t, price, 60),
    AT(trv_trade_report_t, amount, 100),
    AT(trv_order_error_response_t, is_cancel_flag, 49),
    AT(trv_order_error_response_t, error_info.error_code, 58),
    AT(trv_order_error_response_t, error_info.error_msg, 66),
    AT(trv_order_error_response_t, transact_time, 322),
    AT(trv_order_end_t, transact_time, 41),
    AT(trv_order_info_t, origin_cl_order_id, 38),
    AT(trv_order_info_t, business_type, 61),
    AT(trv_order_info_t, trade_count, 134),
    AT(trv_order_info_t, update_time, 170),
    AT(trv_order_info_t, error_info.error_msg, 194),
    AT(trv_order_book_insert_t, insert_time, 94),
    AT(trv_order_book_update_t, trade_count, 81),
    AT(trv_order_book_update_t, report_type, 125),
    AT(trv_order_book_update_t, report.order_response.transact_time, 216),
    AT(trv_order_book_update_t, report.cancel_response.origin_xid, 167),
    AT(trv_order_book_update_t, report.trade_report.amount, 226),
    AT(trv_order_book_error_t, update_time, 49),
    AT(trv_order_book_error_t, order_error.xid, 90),
    AT(trv_order_book_error_t, order_error.error_info.error_msg, 123),
    AT(trv_order_book_error_t, order_error.transact_time, 379),
    AT(trv_position_info_t, frozen_quantity, 34),
    AT(trv_init_position_info_t, initial_quantity, 18),
    AT(trv_brief_position_t, sellable_quantity, 26),
    AT(trv_asset_info_t, withdrawable_amount, 72),
    AT(trv_init_asset_info_t, fund_balance, 16),
    AT(trv_brief_asset_t, deposit_amount, 24),
    AT(trv_order_query_param_t, begin_time, 17),
    AT(trv_order_query_param_t, query_unfinished, 33),
    AT(trv_trade_account_info_t, fund_account_index, 74),
    AT(trv_trade_account_info_t, fund_account_name, 82),
    AT(trv_fund_transfer_head_t, biz_no, 8),
    AT(trv_counter_fund_transfer_request_t, amount, 30),
    AT(trv_counter_fund_transfer_request_t, request_time, 38),
    AT(trv_counter_fund_transfer_result_t, status, 54),
    AT(trv_counter_fund_transfer_result_t, error_info.error_msg, 71),
    AT(trv_cluster_fund_transfer_request_t, amount, 29),
    AT(trv_cluster_fund_transfer_result_t, status, 53),
    AT(trv_cluster_fund_transfer_result_t, error_info, 54),
    AT(trv_fund_transfer_exec_request_t, exec_type, 38),
    AT(trv_fund_transfer_exec_result_t, time, 39),
    AT(trv_fund_transfer_exec_result_t, error_info, 48),
    AT(trv_internal_token_info_t, token_id, 12),
    AT(trv_internal_token_info_t, terminal_info_auto, 294),
    AT(trv_internal_token_info_t, api_version, 551),
    AT(trv_internal_quote_login_info_t, client_port, 56),
    AT(trv_internal_quote_login_info_t, time, 59),
};

TEST(PublicHeaderLayout, FieldOffsets) {
    for (const OffsetCase& c : kOffsets) EXPECT_EQ(c.actual, c.expected) << c.name;
}

TEST(PublicHeaderLayout, OrderInsertKeepsNaturalAlignmentAndOtherRecordsArePacked) {
    EXPECT_EQ(alignof(trv_order_insert_info_t), 8u);
    EXPECT_EQ(alignof(trv_order_response_t), 1u);
    EXPECT_EQ(alignof(trv_order_info_t), 1u);
    EXPECT_EQ(alignof(trv_order_book_report_union_t), 1u);
    // An array of order-insert records keeps every price 8-byte aligned.
    trv_order_insert_info_t orders[3];
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&orders[1].price) % 8, 0u);
}

// Fields written through the record land at the byte offsets of the wire
// format, little-endian, with nothing between them.
TEST(PublicHeaderLayout, PackedFieldsLandAtWireOffsets) {
    unsigned char bytes[sizeof(trv_order_response_t)];
    std::memset(bytes, 0, sizeof(bytes));
    trv_order_response_t* r = reinterpret_cast<trv_order_response_t*>(bytes);
    r->client_id = 7;
    r->xid = 0x1122334455667788ull;
    r->ord_status = ORD_STATUS_FILLED;
    r->exchange_index = ExchangeIndex::SZ;
    r->price = -1;
    r->side = Side::SELL;
    r->transact_time = 20240102093000123ll;
    EXPECT_EQ(bytes[0], 7);
    const unsigned char xid[8] = {0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11};
    EXPECT_EQ(0, std::memcmp(bytes + 33, xid, 8));
    EXPECT_EQ(bytes[41], '2');
    EXPECT_EQ(bytes[52], 2);
    for (int i = 53; i < 61; ++i) EXPECT_EQ(bytes[i], 0xff) << i;
    EXPECT_EQ(bytes[69], 2);
    int64_t t;
    std::memcpy(&t, bytes + 90, 8);
    EXPECT_EQ(t, 20240102093000123ll);
}

TEST(PublicHeaderLayout, ReportIdIsThirtyTwoBinaryBytes) {
    trv_trade_report_t a;
    std::memset(&a, 0, sizeof(a));
    unsigned char id[32];
    for (int i = 0; i < 32; ++i) id[i] = static_cast<unsigned char>(i % 3 == 0 ? 0 : 0xA0 + i);
    std::memcpy(a.report_id, id, 32);
    trv_trade_report_t b = a;
    EXPECT_EQ(0, std::memcmp(b.report_id, id, 32));
    EXPECT_EQ(sizeof(a.report_id), 32u);
    b.report_id[31] ^= 1;  // differs only behind the first zero byte
    EXPECT_NE(0, std::memcmp(a.report_id, b.report_id, 32));
}

TEST(PublicHeaderLayout, OrderBookUpdateReportIsReadThroughTheNamedMember) {
    unsigned char bytes[sizeof(trv_order_book_update_t)];
    std::memset(bytes, 0, sizeof(bytes));
    bytes[125] = 3;  // TRADE_REPORT
    int64_t amount = 123456789;
    std::memcpy(bytes + 126 + 100, &amount, 8);
    uint64_t origin = 42;
    std::memcpy(bytes + 126 + 41, &origin, 8);
    const trv_order_book_update_t* u = reinterpret_cast<const trv_order_book_update_t*>(bytes);
    ASSERT_EQ(u->report_type, TradeReportType::TRADE_REPORT);
    EXPECT_EQ(u->report.trade_report.amount, 123456789);
    EXPECT_EQ(u->report.cancel_response.origin_xid, 42u);
}

TEST(PublicHeaderConstants, ValuesAndKinds) {
    EXPECT_EQ(CONST_STR_SECURITY_CODE_LEN, 9);
    EXPECT_EQ(CONST_ERROR_MSG_LEN, 256);
    EXPECT_EQ(CONST_SECURITY_NAME_LEN, 41);
    EXPECT_EQ(CONST_ACC_NAME_LEN, 65);
    EXPECT_EQ(CONST_ACC_PASSWD_LEN, 129);
    EXPECT_EQ(CONST_TERMINAL_INFO_LEN, 257);
    EXPECT_EQ(CONST_API_VERSION_STR_LEN, 25);
    EXPECT_EQ(CONST_CL_ORD_ID_LEN, 11);
    EXPECT_EQ(CONST_REPORT_ID_LEN, 32);
    EXPECT_EQ(CONST_TRD_EXEC_ID_LEN, 17);
    EXPECT_EQ(CONST_FUND_ACC_NAME_LEN, 15);
    EXPECT_EQ(CONST_BIZ_NO_LEN, 20);
    EXPECT_EQ(PAGE_REQ_COUNT_MIN, 1);
    trade_message_type_t all = TradeMessageType::REPORT | TradeMessageType::RAW_REPORT | TradeMessageType::ORDER_BOOK;
    EXPECT_EQ(all, 7u);
    EXPECT_TRUE(
        (std::is_same<std::underlying_type<decltype(TradeMessageType::REPORT)>::type, trade_message_type_t>::value));
    EXPECT_EQ(static_cast<char>(EXEC_TYPE_TRADE), 'F');
    EXPECT_EQ(static_cast<int>(ORD_STATUS_NEW), 48);
    EXPECT_EQ(static_cast<int>(QuoteSecurityType::UNKNOWN), 99);
    EXPECT_EQ(static_cast<int>(OrderStatus::COUNT), 7);
    EXPECT_EQ(static_cast<int>(DVS_SZSE_L2_BOND_TICK), 110);
    EXPECT_EQ(static_cast<int>(SZSE_L2_TRADE), 65);
    EXPECT_EQ(static_cast<int>(TerminalType::PC_LINUX), 7);
}

// Callback interfaces: instantiable, no data, every operation virtual with a
// default; result lists: abstract and not deletable through the interface.
TEST(PublicInterfaces, TypeTraits) {
    EXPECT_FALSE(std::is_abstract<TRVTradeSpi>::value);
    EXPECT_FALSE(std::is_abstract<TRVPrivilegeSpi>::value);
    EXPECT_FALSE(std::is_abstract<TRVQuoteSpi>::value);
    EXPECT_TRUE(std::is_default_constructible<TRVTradeSpi>::value);
    EXPECT_TRUE(std::is_default_constructible<TRVQuoteSpi>::value);
    EXPECT_TRUE(std::has_virtual_destructor<TRVTradeSpi>::value);
    EXPECT_TRUE(std::has_virtual_destructor<TRVQuoteSpi>::value);
    EXPECT_TRUE((std::is_base_of<TRVTradeSpi, TRVPrivilegeSpi>::value));
    EXPECT_EQ(sizeof(TRVTradeSpi), sizeof(void*));
    EXPECT_EQ(sizeof(TRVPrivilegeSpi), sizeof(void*));
    EXPECT_EQ(sizeof(TRVQuoteSpi), sizeof(void*));

    EXPECT_TRUE(std::is_abstract<TRVOrderList>::value);
    EXPECT_TRUE(std::is_abstract<TRVAccountIndexList>::value);
    EXPECT_TRUE(std::is_abstract<TRVBriefPositionList>::value);
    EXPECT_FALSE(std::is_destructible<TRVOrderList>::value);
    EXPECT_FALSE(std::is_destructible<TRVLevel1QuoteList>::value);
    EXPECT_FALSE(std::is_destructible<TRVClusterFundTransferResultList>::value);
    EXPECT_EQ(sizeof(TRVOrderList), sizeof(void*));

    EXPECT_TRUE((std::is_base_of<TRVTradeConfig, TRVPrivilegeConfig>::value));
    EXPECT_FALSE(std::is_polymorphic<TRVTradeConfig>::value);
    EXPECT_FALSE(std::is_polymorphic<TRVQuoteConfig>::value);
    EXPECT_EQ(alignof(TRVTradeConfig), 8u);
    EXPECT_EQ(alignof(TRVQuoteConfig), 8u);
}

// Itanium ABI: a pointer to a virtual member holds 1 + its vtable offset.
template <typename F>
size_t vtable_slot(F f) {
    struct Rep {
        uintptr_t ptr;
        ptrdiff_t adj;
    } rep;
    static_assert(sizeof(F) == sizeof(Rep), "Itanium member pointers");
    std::memcpy(&rep, &f, sizeof(rep));
    return (rep.ptr - 1) / sizeof(void*);
}

// The callback order is binary interface: the Python bridge classes rely on it.
TEST(PublicInterfaces, CallbackSlotsFollowTheDeclaredOrder) {
    // Slots 0 and 1 are the destructors.
    const size_t trade[] = {
        vtable_slot(&TRVTradeSpi::on_disconnect),
        vtable_slot(&TRVTradeSpi::on_order_timeout),
        vtable_slot(&TRVTradeSpi::on_login),
        vtable_slot(&TRVTradeSpi::on_auth_trade),
        vtable_slot(&TRVTradeSpi::on_subscribe_trade_message),
        vtable_slot(&TRVTradeSpi::on_rebuild_trade_message),
        vtable_slot(&TRVTradeSpi::on_query_positions),
        vtable_slot(&TRVTradeSpi::on_query_assets),
        vtable_slot(&TRVTradeSpi::on_query_orders),
        vtable_slot(&TRVTradeSpi::on_query_orders_by_page),
        vtable_slot(&TRVTradeSpi::on_query_trades),
        vtable_slot(&TRVTradeSpi::on_query_init_assets),
        vtable_slot(&TRVTradeSpi::on_query_init_positions),
        vtable_slot(&TRVTradeSpi::on_query_trade_account_info),
        vtable_slot(&TRVTradeSpi::on_order_response),
        vtable_slot(&TRVTradeSpi::on_cancel_response),
        vtable_slot(&TRVTradeSpi::on_trade_report),
        vtable_slot(&TRVTradeSpi::on_order_error_response),
        vtable_slot(&TRVTradeSpi::on_order_end),
        vtable_slot(&TRVTradeSpi::on_raw_report),
        vtable_slot(&TRVTradeSpi::on_counter_fund_transfer_request),
        vtable_slot(&TRVTradeSpi::on_counter_fund_transfer_result),
        vtable_slot(&TRVTradeSpi::on_cluster_fund_transfer_request),
        vtable_slot(&TRVTradeSpi::on_cluster_fund_transfer_result),
        vtable_slot(&TRVTradeSpi::on_order_book_insert),
        vtable_slot(&TRVTradeSpi::on_order_book_update),
        vtable_slot(&TRVTradeSpi::on_order_book_error),
        vtable_slot(&TRVTradeSpi::on_asset),
        vtable_slot(&TRVTradeSpi::on_position),
    };
    for (size_t i = 0; i < sizeof(trade) / sizeof(trade[0]); ++i) EXPECT_EQ(trade[i], i + 2) << "trade callback " << i;

    const size_t privilege[] = {
        vtable_slot(&TRVPrivilegeSpi::on_token),
        vtable_slot(&TRVPrivilegeSpi::on_quote_login_info),
        vtable_slot(&TRVPrivilegeSpi::on_fund_transfer_exec_result),
        vtable_slot(&TRVPrivilegeSpi::on_dump_final_file),
        vtable_slot(&TRVPrivilegeSpi::on_unbind_user_tgw),
        vtable_slot(&TRVPrivilegeSpi::on_query_brief_assets),
        vtable_slot(&TRVPrivilegeSpi::on_query_brief_positions),
    };
    for (size_t i = 0; i < sizeof(privilege) / sizeof(privilege[0]); ++i)
        EXPECT_EQ(privilege[i], i + 2 + 29) << "privilege callback " << i;

    const size_t quote[] = {
        vtable_slot(&TRVQuoteSpi::on_disconnect),
        vtable_slot(&TRVQuoteSpi::on_login),
        vtable_slot(&TRVQuoteSpi::on_quote),
        vtable_slot(&TRVQuoteSpi::on_query_static_quote_info),
        vtable_slot(&TRVQuoteSpi::on_query_level1_quote),
        vtable_slot(&TRVQuoteSpi::on_query_all_level1_quote),
        vtable_slot(&TRVQuoteSpi::on_request_rebuild_tick_quote_error),
        vtable_slot(&TRVQuoteSpi::on_rebuild_tick_quote),
    };
    for (size_t i = 0; i < sizeof(quote) / sizeof(quote[0]); ++i) EXPECT_EQ(quote[i], i + 2) << "quote callback " << i;

    // Lists: data_count, get, then the destructors.
    EXPECT_EQ(vtable_slot(&TRVOrderList::data_count), 0u);
    EXPECT_EQ(vtable_slot(&TRVOrderList::get), 1u);
    EXPECT_EQ(vtable_slot(&TRVAccountIndexList::get), 1u);
}

// A user class that overrides one callback gets the library's empty
// defaults for all the others.
struct OnlyLogin : TRVPrivilegeSpi {
    int logins = 0;
    void on_login(uint64_t, uint64_t, const trv_error_info_t*) override { ++logins; }
};

TEST(PublicInterfaces, DefaultCallbacksDoNothing) {
    OnlyLogin spi;
    TRVTradeSpi* base = &spi;
    trv_msg_desc_t desc;
    std::memset(&desc, 0, sizeof(desc));
    char report_id[32] = {0};
    base->on_disconnect(1);
    base->on_order_timeout(1, 2);
    base->on_order_end(1, &desc, nullptr);
    base->on_raw_report(1, &desc, 3, 4, report_id, ExchangeIndex::SH, 5, 6, 0, nullptr);
    base->on_login(1, 2, nullptr);
    spi.on_token(1, &desc, nullptr);
    spi.on_query_brief_positions(1, 2, nullptr, true, nullptr);
    TRVQuoteSpi quote;
    quote.on_quote(TRV_SSE_L1, nullptr, 0);
    quote.on_rebuild_tick_quote(1, 2, ExchangeIndex::SZ, SZSE_L2_ORDER, nullptr);
    EXPECT_EQ(spi.logins, 1);
}

// A library-side list shape: rows in a buffer; zero rows is a valid list.
struct ArrayOrderList : TRVOrderList {
    const trv_order_info_t* rows;
    size_t count;
    ArrayOrderList(const trv_order_info_t* r, size_t n) : rows(r), count(n) {}
    size_t data_count() const override { return count; }
    const trv_order_info_t* get(int index) const override { return &rows[index]; }
};

TEST(PublicInterfaces, EmptyListIsValid) {
    ArrayOrderList empty(nullptr, 0);
    const TRVOrderList& list = empty;
    EXPECT_EQ(list.data_count(), 0u);
}

// The header's own text, read from the source tree beside this test.
std::vector<std::string> public_header_lines() {
    std::string path(__FILE__);
    path = path.substr(0, path.rfind("/tests/")) + "/include/trv_api.h";
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A reader finds a section by the marker that the contents comment names.
TEST(PublicHeaderText, ContentsNamesEverySectionInOrder) {
    const std::string marker = "// ==== Section: ";
    const std::string marker_end = " ====";
    std::vector<std::string> sections;
    std::vector<std::string> listed;
    bool in_contents = false;
    for (const std::string& line : public_header_lines()) {
        if (line.rfind(" * Contents.", 0) == 0) {
            in_contents = true;
        } else if (in_contents && line.rfind(" */", 0) == 0) {
            in_contents = false;
        } else if (in_contents && line.rfind(" *   ", 0) == 0 && line.size() > 5 && line[5] != ' ') {
            // "name  description": the name ends at the first double space.
            const std::string entry = line.substr(5);
            listed.push_back(entry.substr(0, entry.find("  ")));
        }
        if (line.rfind(marker, 0) == 0) {
            ASSERT_GT(line.size(), marker.size() + marker_end.size()) << line;
            ASSERT_EQ(line.substr(line.size() - marker_end.size()), marker_end) << line;
            sections.push_back(line.substr(marker.size(), line.size() - marker.size() - marker_end.size()));
        }
    }
    ASSERT_FALSE(sections.empty()) << "no section marker in the header";
    EXPECT_EQ(listed, sections);
}

// One style of layout check: static_assert appears only in the definitions
// of TRV_LAYOUT, TRV_AT and TRV_ALIGN.
TEST(PublicHeaderText, LayoutChecksUseTheLayoutMacros) {
    const std::vector<std::string> lines = public_header_lines();
    ASSERT_FALSE(lines.empty());
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find("static_assert") == std::string::npos) continue;
        EXPECT_EQ(lines[i].rfind("#define TRV_", 0), 0u) << "line " << i + 1 << ": " << lines[i];
    }
}

}  // namespace
