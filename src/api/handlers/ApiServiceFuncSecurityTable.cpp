#include "api/handlers/ApiServiceFuncSecurityTable.h"

#include <cstring>

#include "api/business/KApiBusiness.h"
#include "api/handlers/ApiServiceFuncLogin.h"
#include "api/security/SecurityMap.h"

namespace nq { namespace api {

TRV_REGISTER_SERVICE_FUNC(SECURITY_INFO_QUERY_RSP);

void ApiServiceFunc<SECURITY_INFO_QUERY_RSP>::query_call_back(KApiSession* session, uint64_t, const KApiDataList* list,
                                                              const request_info_t* info) {
    if (session == nullptr || list == nullptr || info == nullptr || business_ == nullptr) return;
    const unsigned char* row = static_cast<const unsigned char*>(list->data);
    for (uint64_t i = 0; i < list->count; ++i, row += list->item_size) {
        SecurityMap* map = business_->security_map(row[5]);
        if (map == nullptr) continue;
        // The code as 8 bytes at most, padded as every code of the maps is.
        char code[9] = {0};
        std::memcpy(code, row + 6, 8);
        map->set_security_index(code, load_le<uint32_t>(row, 0));
    }
    if (!info->finished) return;
    business_->set_security_table_loaded();
    if (session->login_done.load() != 0) return;
    ApiServiceFunc<LOGIN_RSP>::continue_login(session);
}

}}  // namespace nq::api
