// The common head of a request made on a session: the session's login and
// authorisation, and the trade account named by the caller or, when that is
// 0, the account of the session's own authorisation record.
#pragma once
#include <cstdint>

#include "api/business/KApiAuthManager.h"
#include "api/business/KApiBusiness.h"
#include "api/messages/ApiBodyHead.h"
#include "api/provider/KApiSession.h"

namespace nq { namespace api {

inline void fill_session_head(api_body_head_t* head, const KApiBusiness* business, const KApiSession* session,
                              uint64_t session_id, uint64_t request_id, uint64_t account_index) {
    uint64_t trade_account = account_index;
    if (trade_account == 0 && business != nullptr && business->auth_mgr_ != nullptr) {
        if (const KApiAuth* own = business->auth_mgr_->get_auth(session->trade_token))
            trade_account = own->trade_account_index;
    }
    head->session_id = session_id;
    head->request_id = request_id;
    head->request_seq = 0;
    head->login_account_index = session->login_account_index;
    head->login_account_type = session->login_account_type;
    head->trade_account_index = trade_account;
    head->auth_id = session->auth_id;
    head->trade_token = session->trade_token;
}

}}  // namespace nq::api
