// Base of the library's framework: the TCP transport, up to seven
// "msg_handler" workers, and the two-step routing of incoming frames.
#pragma once
#include <sys/socket.h>

#include "framework/Message.h"

namespace nq { namespace api {

class TcpMessageIO;
class MessageHandler;

class Framework {
public:
    static constexpr unsigned long kMaxHandlers = 7;
    // Default time of all connection attempts of one open_session.
    static constexpr unsigned long kConnectBudgetMs = 10000;

    Framework();
    virtual ~Framework();
    virtual void post_message(unsigned long session_id, Message* message);
    // Posts a frame built in a block of ApiServiceWorker::alloc_copy; the
    // block is given away (freed when there is no transport).
    void post_copy(unsigned long session_id, unsigned char* copy);
    virtual bool initialize();
    virtual TcpMessageIO* create_message_io() = 0;
    // Handler index 1..count for a frame, 0 to drop it (on "msg_receiver").
    virtual unsigned long get_message_handler(Message* message) = 0;

    // addresses: count IPv4 socket addresses of 16 bytes each, tried in turn
    // from a random one (gateway_start) until one connects. The attempts take
    // at most budget_ms together: each gets an equal share of what is left (at
    // most TcpSession::kConnectTimeoutMs, but the last address all that is
    // left), and one that has not connected by then fails like a refused one
    // and the next address is tried.
    unsigned long open_session(unsigned long count, const sockaddr* addresses, const sockaddr* local,
                               unsigned char type, unsigned long budget_ms = kConnectBudgetMs);
    // The gateway tried first among count (0 for count 0): every one equally
    // likely, drawn from the kernel's random source, so that the clients of
    // one list spread over its gateways.
    static unsigned long gateway_start(unsigned long count);
    void close_session(unsigned long session_id, bool wait);
    void dispatch_message(Message* message);
    void process_message(Message* message);
    void message_handler_bind_cpu_core(int index, int core);

    TcpMessageIO* message_io_;
    unsigned long handler_count_;
    MessageHandler* handlers_[kMaxHandlers + 1];
};

}}  // namespace nq::api
