// Handler of the security table 1036, the paged answer that fills the
// security-code maps during the first login of the process.
#pragma once
#include "api/handlers/ApiServiceFunc.h"
#include "api/handlers/KApiQueryRspServiceFunc.h"
#include "api/messages/ServiceCode.h"

namespace nq { namespace api {

// A row: u32 security index at 0, u8 exchange index at 5, 8-byte code at 6.
template <>
struct QueryRowSize<SECURITY_INFO_QUERY_RSP> {
    static constexpr uint64_t kSize = 14;
};

template <>
class ApiServiceFunc<SECURITY_INFO_QUERY_RSP> final : public KApiQueryRspServiceFunc<SECURITY_INFO_QUERY_RSP> {
public:
    void query_call_back(KApiSession* session, uint64_t request_id, const KApiDataList* list,
                         const request_info_t* info) override;
};

}}  // namespace nq::api
