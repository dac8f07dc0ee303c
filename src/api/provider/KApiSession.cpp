#include "api/provider/KApiSession.h"

#include <cstring>

namespace nq { namespace api {

KApiSession::KApiSession(TcpMessageIO* io)
    : TApiSession<2ul>(io), client_id(0), login_account_index(0), api_type(static_cast<uint8_t>(nq::ApiType::TRADE)),
      login_done(0), login_request_id(0), login_request_sequence(0), login_answered(0), privilege_spi(nullptr),
      trade_spi(nullptr), quote_spi(nullptr), login_account_type(0), auth_id(0), token(nullptr), trade_token(0),
      login_account(nullptr), subscribe_account(nullptr) {
    std::memset(account_name, 0, sizeof account_name);
    std::memset(password, 0, sizeof password);
    std::memset(pub_key, 0, sizeof pub_key);
}

namespace {

void copy_text(char* field, size_t field_size, const char* text) {
    std::memset(field, 0, field_size);
    if (text != nullptr) std::memcpy(field, text, strnlen(text, field_size - 1));
}

}  // namespace

void KApiSession::begin_login(nq::ApiType type, uint16_t client, uint64_t request_id) {
    std::memset(account_name, 0, sizeof account_name);
    std::memset(password, 0, sizeof password);
    std::memset(pub_key, 0, sizeof pub_key);
    login_account_index.store(0);
    login_done.store(0);
    login_answered.store(0);
    login_request_sequence.store(0);
    login_account_type.store(0);
    privilege_spi.store(nullptr);
    trade_spi.store(nullptr);
    quote_spi.store(nullptr);
    auth_id.store(0);
    token.store(nullptr);
    trade_token.store(0);
    login_account.store(nullptr);
    subscribe_account.store(nullptr);
    api_type.store(static_cast<uint8_t>(type));
    client_id = client & 0xff;
    login_request_id.store(request_id);
}

void KApiSession::attach_login(KApiLoginAccount* account, nq::TRVPrivilegeSpi* privilege, nq::TRVTradeSpi* trade,
                               nq::TRVQuoteSpi* quote) {
    if (api_type.load() == static_cast<uint8_t>(nq::ApiType::QUOTE)) {
        quote_spi.store(quote);
    } else {
        privilege_spi.store(privilege);
        trade_spi.store(trade);
    }
    login_account.store(account);
}

void KApiSession::keep_credentials(const char* account, const char* pass, const char* key) {
    copy_text(account_name, sizeof account_name, account);
    copy_text(password, sizeof password, pass);
    copy_text(pub_key, sizeof pub_key, key);
}

void KApiSession::forget_secrets() {
    std::memset(password, 0, sizeof password);
    std::memset(pub_key, 0, sizeof pub_key);
}

void KApiSession::set_login_answer(uint8_t account_type, uint64_t account_index) {
    login_account_type.store(account_type);
    login_account_index.store(account_index);
}

uint64_t KApiSession::drop_own_auth() {
    token.store(nullptr);
    return trade_token.exchange(0);
}

}}  // namespace nq::api
