#include "trv_api.h"

// Every callback does nothing unless the user overrides it.
namespace nq {

TRVPrivilegeSpi::~TRVPrivilegeSpi() {}

void TRVPrivilegeSpi::on_token(uint64_t, const trv_msg_desc_t*, const trv_internal_token_info_t*) {}
void TRVPrivilegeSpi::on_quote_login_info(uint64_t, const trv_msg_desc_t*, const trv_internal_quote_login_info_t*) {}
void TRVPrivilegeSpi::on_fund_transfer_exec_result(uint64_t, const trv_msg_desc_t*,
                                                   const trv_fund_transfer_exec_result_t*) {}
void TRVPrivilegeSpi::on_dump_final_file(uint64_t, uint64_t, bool, const trv_error_info_t*) {}
void TRVPrivilegeSpi::on_unbind_user_tgw(uint64_t, uint64_t, uint64_t, const trv_error_info_t*) {}
void TRVPrivilegeSpi::on_query_brief_assets(uint64_t, uint64_t, const TRVBriefAssetList*, bool,
                                            const trv_error_info_t*) {}
void TRVPrivilegeSpi::on_query_brief_positions(uint64_t, uint64_t, const TRVBriefPositionList*, bool,
                                               const trv_error_info_t*) {}

}  // namespace nq
