// Service codes, shared body layouts and the request classes, checked
// against the byte offsets of the counter protocol.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "api/messages/ApiBodyHead.h"
#include "api/messages/ApiDataTableInfo.h"
#include "api/messages/ApiErrorBody.h"
#include "api/messages/ApiQueryResponseHead.h"
#include "api/messages/BusinessTypeMap.h"
#include "api/messages/MessageBody.h"
#include "api/messages/QueryRequest.h"
#include "api/messages/ServiceCode.h"
#include "api/messages/TQueryRequest.h"
#include "api/messages/TRequest.h"

using namespace nq;
using namespace nq::api;

namespace {

uint64_t word_at(const void* p, size_t off) {
    uint64_t v;
    std::memcpy(&v, static_cast<const unsigned char*>(p) + off, 8);
    return v;
}

ptrdiff_t distance(const void* from, const void* to) {
    return static_cast<const unsigned char*>(to) - static_cast<const unsigned char*>(from);
}

TEST(ServiceCode, PairingRules) {
    struct Case {
        uint32_t request, response;
    } cases[] = {
        {1030, 1031},
        {1035, 1036},
        {1039, 1040},
        {1041, 1042},
        {1046, 1047},
        {1050, 1051},
        {1055, 1056},
        {1347, 1859},
        {1348, 1860},
        {1411, 1923},
        {1412, 1924},
        {1413, 1925},
        {1475, 1987},
        {1480, 1992},
        {1539, 2051},
        {1545, 2057},
        {1546, 2058},
        {1547, 2059},
        {1283, NO_SERVICE_CODE},
        {1289, NO_SERVICE_CODE},
        {2308, NO_SERVICE_CODE},
        {1029, NO_SERVICE_CODE},
        {1057, NO_SERVICE_CODE},
        {1346, NO_SERVICE_CODE},
        {1548, NO_SERVICE_CODE},
    };
    for (const Case& c : cases) EXPECT_EQ(paired_response_code(c.request), c.response) << c.request;
    EXPECT_EQ(API_ERR_RSP, 1029u);
    EXPECT_EQ(NO_SERVICE_CODE, 0x3fffu);
}

// A pushed body is the 17-byte descriptor and the record; an answer body
// is the 57-byte head and what follows it.
TEST(ServiceCode, FixedBodyLengthsMatchTheRecords) {
    struct Case {
        uint32_t code;
        size_t length;
    } cases[] = {
        {ORDER_END_PUSH, 17 + sizeof(trv_order_end_t)},
        {ORDER_RESPONSE_PUSH, 17 + sizeof(trv_order_response_t)},
        {CANCEL_RESPONSE_PUSH, 17 + sizeof(trv_cancel_response_t)},
        {TRADE_REPORT_PUSH, 17 + sizeof(trv_trade_report_t)},
        {ORDER_ERROR_PUSH, 17 + sizeof(trv_order_error_response_t)},
        {ORDER_ERROR2_PUSH, 17 + sizeof(trv_order_error_response_t)},
        {ORDER_BOOK_INSERT_PUSH, 17 + sizeof(trv_order_book_insert_t)},
        {ORDER_BOOK_UPDATE_PUSH, 17 + sizeof(trv_order_book_update_t)},
        {ORDER_BOOK_ERROR_PUSH, 17 + sizeof(trv_order_book_error_t)},
        {ASSET_PUSH, 17 + sizeof(trv_asset_info_t)},
        {POSITION_PUSH, 17 + sizeof(trv_position_info_t)},
        {FUND_TRANSFER_EXEC_RESULT_PUSH, 17 + sizeof(trv_fund_transfer_exec_result_t)},
        {COUNTER_FUND_TRANSFER_REQUEST_PUSH, 17 + sizeof(trv_counter_fund_transfer_request_t)},
        {COUNTER_FUND_TRANSFER_RESULT_PUSH, 17 + sizeof(trv_counter_fund_transfer_result_t)},
        {CLUSTER_FUND_TRANSFER_REQUEST_PUSH, 17 + sizeof(trv_cluster_fund_transfer_request_t)},
        {CLUSTER_FUND_TRANSFER_RESULT_PUSH, 17 + sizeof(trv_cluster_fund_transfer_result_t)},
        {TOKEN_INFO_PUSH, 17 + sizeof(trv_internal_token_info_t)},
        {QUOTE_LOGIN_INFO_PUSH, 17 + sizeof(trv_internal_quote_login_info_t)},
        {API_ERR_RSP, sizeof(api_error_body_t)},
        {DATA_TABLE_INFO_RSP, 57 + sizeof(api_data_table_info_t)},
        {COUNTER_FUND_TRANSFER_REQ, 57 + sizeof(trv_counter_fund_transfer_request_t)},
        {CLUSTER_FUND_TRANSFER_REQ, 57 + sizeof(trv_cluster_fund_transfer_request_t)},
        {FUND_TRANSFER_EXEC_REQ, 57 + sizeof(trv_fund_transfer_exec_request_t)},
        {PRIV_COUNTER_FUND_TRANSFER_RESULT_REQ, 57 + sizeof(trv_counter_fund_transfer_result_t)},
        {PRIV_CLUSTER_FUND_TRANSFER_RESULT_REQ, 57 + sizeof(trv_cluster_fund_transfer_result_t)},
        {LOGIN_REQ, 919},
        {AUTH_REQ, 841},
        {TRADE_TOKEN_REQ, 57},
        {ORDER_QUERY_REQ, 104},
        {ORDER_SZ_CASH, 56},
        {CANCEL_ORDER, 32},
        {HEARTBEAT, 8},
        {LOGIN_RSP, 0},
        {ORDER_QUERY_RSP, 0},
        {RAW_REPORT_PUSH, 0},
        {NO_SERVICE_CODE, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(body_length(c.code), c.length) << c.code;
}

TEST(BodyLayouts, SizesAndOffsets) {
    EXPECT_EQ(sizeof(api_body_head_t), 57u);
    EXPECT_EQ(offsetof(api_body_head_t, request_seq), 16u);
    EXPECT_EQ(offsetof(api_body_head_t, login_account_type), 32u);
    EXPECT_EQ(offsetof(api_body_head_t, trade_account_index), 33u);
    EXPECT_EQ(offsetof(api_body_head_t, trade_token), 49u);
    EXPECT_EQ(sizeof(api_error_body_t), 333u);
    EXPECT_EQ(offsetof(api_error_body_t, service_code), 57u);
    EXPECT_EQ(offsetof(api_error_body_t, error.error_msg), 77u);
    EXPECT_EQ(sizeof(api_query_response_head_t), 84u);
    EXPECT_EQ(offsetof(api_query_response_head_t, result_count), 71u);
    EXPECT_EQ(offsetof(api_query_response_head_t, is_last), 83u);
    EXPECT_EQ(sizeof(api_data_table_info_t), 68u);
}

// An error answer built byte by byte reads back through the error body.
TEST(BodyLayouts, ErrorAnswerFromBytes) {
    unsigned char frame[64 + 333];
    std::memset(frame, 0, sizeof(frame));
    set_frame_code_length(frame, 1029, sizeof(frame));
    unsigned char* body = frame + 64;
    uint64_t request_id = 77, seq = 0x10002;
    std::memcpy(body + 8, &request_id, 8);
    std::memcpy(body + 16, &seq, 8);
    uint32_t awaited = 1987;
    std::memcpy(body + 57, &awaited, 4);
    uint64_t type = 309, code = 12;
    std::memcpy(body + 61, &type, 8);
    std::memcpy(body + 69, &code, 8);
    std::memcpy(body + 77, "too fast", 9);
    Message m{reinterpret_cast<MessageHeader*>(frame), body, frame};
    const MessageBody<API_ERR_RSP>* e = message_body<API_ERR_RSP>(m);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->head.request_id, 77u);
    EXPECT_EQ(e->head.request_seq, 0x10002u);
    EXPECT_EQ(e->service_code, 1987u);
    EXPECT_EQ(e->error.error_code_type, 309u);
    EXPECT_EQ(e->error.error_code, 12u);
    EXPECT_STREQ(e->error.error_msg, "too fast");

    // A frame shorter than the layout is not viewed as it.
    set_frame_code_length(frame, 1029, 64 + 332);
    EXPECT_EQ(message_body<API_ERR_RSP>(m), nullptr);
    set_frame_code_length(frame, 1029, 10);
    EXPECT_EQ(message_body<API_ERR_RSP>(m), nullptr);
}

TEST(BusinessTypeMap, OnlyCashBondMatchAndRepoHaveOrderCodes) {
    const uint64_t types[3][8] = {
        {0, 0, 0, 0, 0, 0, 0, 0}, {0, 1283, 1284, 0, 0, 0, 0, 1285}, {0, 1286, 1287, 0, 0, 0, 0, 1288}};
    for (int e = 0; e < 3; ++e)
        for (int b = 0; b < 8; ++b) {
            EXPECT_EQ(BusinessTypeMap::msg_types[e][b], types[e][b]) << e << "," << b;
            EXPECT_EQ(BusinessTypeMap::msg_lens[e][b], types[e][b] ? 56u : 0u) << e << "," << b;
            EXPECT_EQ(BusinessTypeMap::msg_type(static_cast<ExchangeIndex>(e), static_cast<BusinessType>(b)),
                      types[e][b]);
        }
    EXPECT_EQ(BusinessTypeMap::msg_type(ExchangeIndex::SH, BusinessType::ETF), 0u);
    // Enumeration bytes from a caller's record may hold anything.
    EXPECT_EQ(BusinessTypeMap::msg_type(static_cast<ExchangeIndex>(3), BusinessType::CASH), 0u);
    EXPECT_EQ(BusinessTypeMap::msg_type(static_cast<ExchangeIndex>(255), BusinessType::CASH), 0u);
    EXPECT_EQ(BusinessTypeMap::msg_len(ExchangeIndex::SZ, static_cast<BusinessType>(8)), 0u);
    EXPECT_EQ(BusinessTypeMap::msg_len(ExchangeIndex::SZ, static_cast<BusinessType>(200)), 0u);
}

template <typename R>
void expect_frame_shape(R& r, uint32_t code, uint32_t total, const char* what) {
    // The stored header follows desire_response directly; the body follows the header.
    EXPECT_EQ(distance(&r.desire_response, r.header_), 4) << what;
    EXPECT_EQ(static_cast<const void*>(r.frame_), static_cast<const void*>(r.header_)) << what;
    EXPECT_EQ(distance(r.header_, r.body_), 64) << what;
    EXPECT_EQ(frame_service_code(r.header_), code) << what;
    EXPECT_EQ(frame_length(r.header_), total) << what;
    uint64_t word = word_at(r.header_, 8);
    EXPECT_EQ(word, uint64_t(code) | (uint64_t(total) << 14)) << what;
}

TEST(TRequest, HeaderAndBodyInPlace) {
    TRequest<1411, 1923> token;
    expect_frame_shape(token, 1411, 121, "1411");
    EXPECT_EQ(token.desire_response, 1923u);
    TRequest<1030, 1031> login;
    expect_frame_shape(login, 1030, 983, "1030");
    TRequest<1543, 2055> result;
    expect_frame_shape(result, 1543, 64 + 384, "1543");
    // Only tail padding to the object's alignment follows the body.
    size_t used = static_cast<size_t>(distance(&token, &token.desire_response)) + 4 + 121;
    EXPECT_GE(sizeof(token), used);
    EXPECT_LT(sizeof(token), used + alignof(TRequest<1411, 1923>));

    const unsigned char* b = login.body_;
    for (int i = 0; i < 919; ++i) ASSERT_EQ(b[i], 0) << i;
    for (int i = 0; i < 64; ++i) {
        if (i < 8 || i >= 16) {
            ASSERT_EQ(reinterpret_cast<unsigned char*>(login.header_)[i], 0) << i;
        }
    }
}

TEST(TRequest, HeadWritesTheCommonOffsets) {
    TRequest<1050, 1051> sub;
    sub.head()->session_id = 1;
    sub.head()->request_id = 2;
    sub.head()->login_account_type = 3;
    sub.head()->trade_account_index = 4;
    sub.head()->trade_token = 5;
    EXPECT_EQ(word_at(sub.body_, 0), 1u);
    EXPECT_EQ(word_at(sub.body_, 8), 2u);
    EXPECT_EQ(sub.body_[32], 3);
    EXPECT_EQ(word_at(sub.body_, 33), 4u);
    EXPECT_EQ(word_at(sub.body_, 49), 5u);
}

TEST(TRequest, CopyIsAnIndependentMessage) {
    std::unique_ptr<TRequest<1046, 1047>> original(new TRequest<1046, 1047>);
    original->body()[100] = 0x5a;
    TRequest<1046, 1047> copy(*original);
    original.reset();  // the copy must not lead into freed memory (ASan)
    EXPECT_EQ(copy.body_[100], 0x5a);
    expect_frame_shape(copy, 1046, 64 + 841, "copy");
    TRequest<1046, 1047> assigned;
    assigned = copy;
    EXPECT_EQ(assigned.body_[100], 0x5a);
    expect_frame_shape(assigned, 1046, 64 + 841, "assigned");
    Request* base = new TRequest<1412, 1924>;
    EXPECT_EQ(base->desire_response, 1924u);
    delete base;  // virtual destructor
}

trv_page_query_reference_t reference(uint32_t n, std::initializer_list<std::pair<uint32_t, uint32_t>> end_pos) {
    trv_page_query_reference_t r;
    std::memset(&r, 0, sizeof(r));
    r.sub_table_num = n;
    uint32_t i = 0;
    for (auto& p : end_pos) {
        r.sub_table_end_points[i] = p.first;
        r.positions[i] = p.second;
        ++i;
    }
    return r;
}

TEST(QueryRequest, ConstructionAndFrame) {
    TQueryRequest<1475, 1987> orders;
    EXPECT_EQ(orders.desire_response, 1987u);
    EXPECT_EQ(orders.status.table_code, 1475u);
    EXPECT_EQ(orders.status.req_count, 0u);
    EXPECT_EQ(orders.status.rsp_count, 0u);
    EXPECT_EQ(orders.status.is_finished, 0);
    EXPECT_EQ(orders.status.reference.sub_table_num, 0u);
    EXPECT_EQ(distance(orders.header_, orders.body_), 64);
    EXPECT_EQ(static_cast<const void*>(orders.frame_), static_cast<const void*>(orders.header_));
    EXPECT_EQ(frame_service_code(orders.header_), 1475u);
    EXPECT_EQ(frame_length(orders.header_), 64u + 104u);
    EXPECT_EQ(sizeof(TQueryRequest<1475, 1987>), sizeof(QueryRequest));

    TQueryRequest<1037, 1038> statics;
    EXPECT_EQ(frame_length(statics.header_), 135u);

    trv_page_query_reference_t ref = reference(2, {{10, 4}, {7, 0}});
    TQueryRequest<1475, 1987> page(5, &ref);
    EXPECT_EQ(page.status.req_count, 5u);
    EXPECT_EQ(0, std::memcmp(&page.status.reference, &ref, sizeof(ref)));
}

TEST(QueryRequest, CopyAndResetKeepTheirOwnStorage) {
    trv_page_query_reference_t ref = reference(1, {{9, 3}});
    std::unique_ptr<TQueryRequest<1476, 1988>> q(new TQueryRequest<1476, 1988>(4, &ref));
    q->head()->request_id = 99;
    q->body()[80] = 0x77;  // beyond the 80-byte body, inside the 192-byte store
    q->status.rsp_count = 2;
    QueryRequest copy(*q);
    QueryRequest other(1480);
    other.reset(*q);
    q.reset();
    for (QueryRequest* c : {&copy, &other}) {
        EXPECT_EQ(c->desire_response, 1988u);
        EXPECT_EQ(c->status.table_code, 1476u);
        EXPECT_EQ(c->status.req_count, 4u);
        EXPECT_EQ(c->status.rsp_count, 2u);
        EXPECT_EQ(c->status.reference.positions[0], 3u);
        EXPECT_EQ(static_cast<void*>(c->header_), static_cast<void*>(c->storage()));
        EXPECT_EQ(c->body_, c->storage() + 64);
        EXPECT_EQ(word_at(c->body_, 8), 99u);
        EXPECT_EQ(c->body_[80], 0x77);
        EXPECT_EQ(frame_service_code(c->header_), 1476u);
        EXPECT_EQ(frame_length(c->header_), 144u);
    }
}

TEST(QueryRequest, RemainingCount) {
    struct Case {
        trv_page_query_reference_t ref;
        uint32_t expected;
        const char* what;
    } cases[] = {
        {reference(0, {{10, 0}}), 0, "no sub-tables"},
        {reference(2, {{10, 4}, {7, 0}}), 13, "two tables"},
        {reference(2, {{10, 12}, {7, 7}}), 0, "positions at or past the end"},
        {reference(1, {{10, 4}, {7, 0}}), 6, "only the first sub_table_num count"},
        {reference(3, {{0xffffffffu, 0}, {0xffffffffu, 0}, {5, 0}}), 0xffffffffu, "saturates"},
        {reference(2, {{0x80000000u, 0}, {0x7fffffffu, 0}}), 0xffffffffu, "exactly 2^32 - 1"},
    };
    for (const Case& c : cases) {
        QueryRequest q(1475, 0, &c.ref);
        EXPECT_EQ(q.status.remaining_count(), c.expected) << c.what;
    }
    // A sub-table count above 16 reads only the 16 stored tables.
    trv_page_query_reference_t big;
    std::memset(&big, 0, sizeof(big));
    big.sub_table_num = 1000;
    for (int i = 0; i < 16; ++i) big.sub_table_end_points[i] = 1;
    QueryRequest q(1475, 0, &big);
    EXPECT_EQ(q.status.remaining_count(), 16u);
}

}  // namespace
