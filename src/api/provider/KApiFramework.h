// The trading API's framework: three "msg_handler" workers chosen by service
// code, the "delay_sender" (500 ms) and the request ring.
#pragma once
#include <cstdint>

#include "api/provider/TRVApiConfig.h"
#include "framework/Framework.h"

namespace nq { namespace api {

class ApiDelaySender;
class KApiMessageIO;
class KApiRequestManager;

template <unsigned long N>
class TApiFramework;

template <>
class TApiFramework<2ul> : public Framework {
public:
    // The KApiMessageIO, initialised (its threads constructed); null on any
    // failure.
    TcpMessageIO* create_message_io() override;

    KApiMessageIO* api_message_io_;

protected:
    TApiFramework() : api_message_io_(nullptr) {}
};

class KApiFramework : public TApiFramework<2ul> {
public:
    static constexpr unsigned long kHandlerCount = 3;
    static constexpr unsigned long kDelayMs = 500;

    explicit KApiFramework(ApiConfig<2ul>* config);

    bool initialize() override;
    // 1 pushed reports and state, 2 responses, 3 market-data query
    // responses, 0 dropped.
    unsigned long get_message_handler(Message* message) override;
    // Stamps the frame with session_id and the cached epoch ms, and queues a
    // copy that leaves 500 ms later.
    void delay_post_message(unsigned long session_id, Message* message) const;

    // on_disconnect of the callback of the context of that API type.
    void on_disconnect(unsigned long session_id, unsigned char type);
    // Pins the worker that runs pushed reports.
    __attribute__((visibility("default"))) void trade_report_handler_bind_cpu_core(int core);

    // Worker of a service code, without the log line.
    static unsigned long route(uint32_t service_code);

    ApiConfig<2ul>* config_;
    ApiDelaySender* delay_sender_;
    KApiRequestManager* request_manager_;
};

template <unsigned long N>
class ApiFramework;

template <>
class ApiFramework<2ul> : public KApiFramework {
public:
    explicit ApiFramework(ApiConfig<2ul>* config) : KApiFramework(config) {}
};

}}  // namespace nq::api
