#include "api/handlers/ApiServiceFuncDataTableInfo.h"

#include "api/handlers/KApiDataList.h"
#include "api/messages/ApiBodyHead.h"
#include "api/messages/MessageBody.h"
#include "api/provider/ApiSessionGuard.h"
#include "api/provider/KApiFramework.h"
#include "api/requests/KApiRequestManager.h"

namespace nq { namespace api {

void ApiServiceFunc<DATA_TABLE_INFO_RSP>::service_func(nq::Message* message) {
    ApiSessionGuard<2ul> guard(acquire_session(message));
    ApiSession<2ul>* session = guard.get();
    KApiRequestManager* ring = request_manager();
    if (session == nullptr || ring == nullptr || !check_body(message, sizeof(MessageBody<DATA_TABLE_INFO_RSP>))) return;
    const auto* body = reinterpret_cast<const MessageBody<DATA_TABLE_INFO_RSP>*>(message->body_);
    const uint64_t seq = load_le<uint64_t>(message->body_, kRequestSeqAt);
    if (!request_open(ring, seq, session->session_id())) return;  // ended, or a repeat
    request_info_t info = ring->on_query_data_table_info(seq, framework_, &body->info);
    // A query that this table information finished at once, with nothing to
    // ask for, reports here: its one empty page. Any other query's rows come
    // as answers of its own code.
    if (info.timed_out == 0 && info.finished != 0 && info.request != nullptr &&
        info.desire_response < nq::ServiceFunc::kTableSize) {
        if (auto* handler = dynamic_cast<KApiServiceFuncBase*>(nq::ServiceFunc::service_func_[info.desire_response])) {
            const KApiDataList empty{message->body_ + body_size(message), 0, 0};
            handler->query_call_back(session, load_le<uint64_t>(message->body_, kRequestIdAt), &empty, &info);
        }
    }
    KApiRequestManager::release(info);
}

TRV_REGISTER_SERVICE_FUNC(DATA_TABLE_INFO_RSP);

}}  // namespace nq::api
