// The TCP transport: a table of sessions, one epoll instance, and the
// receiver, sender and heartbeat threads that serve all sessions.
#pragma once
#include <pthread.h>

#include <atomic>
#include <cstdint>

#include "framework/Message.h"
#include "framework/TcpSession.h"

namespace nq { namespace api {

class Framework;
class ApiMessageSender;
class ApiMessageReceiver;

// (time(NULL) XOR getpid()) & 0xfffffff, computed once per process.
uint64_t session_startup_tag();

class TcpMessageIO {
public:
    static constexpr unsigned long kSlotCount = 65536;  // slot 0 is never used
    static constexpr uint64_t kMaxOpenCounter = 0xffffe;
    static constexpr uint32_t kHeartbeatCode = 2;
    static constexpr uint32_t kHeartbeatLength = 72;

    explicit TcpMessageIO(Framework* framework);
    virtual ~TcpMessageIO();
    virtual void on_disconnect(unsigned long session_id, unsigned char type);
    virtual TcpSession* create_session_object() = 0;
    virtual void on_open_session(unsigned long session_id);
    virtual void on_close_session(TcpSession* session);

    bool initialize();
    unsigned long open_session(int socket, unsigned char type);
    // The object in the slot that `id` names, or null (slot 0, or a slot not
    // filled yet); every lookup by id starts here. Objects are never freed.
    TcpSession* slot_session(unsigned long id) const {
        const unsigned long slot = session_slot(id);
        return slot != 0 ? sessions_[slot].load(std::memory_order_acquire) : nullptr;
    }
    // The session of exactly this id with a reference taken, or null when it
    // is not alive or its slot now holds a newer session; the caller
    // releases it.
    TcpSession* acquire_session(unsigned long id);
    // The same lookup without a reference: the session of exactly this id
    // while it is alive, or null. For a caller that touches neither its
    // socket nor its ring: the object stays valid, but the session may die
    // just after.
    TcpSession* live_session(unsigned long id) const {
        TcpSession* s = slot_session(id);
        return s != nullptr && s->session_id() == id && s->is_alive() ? s : nullptr;
    }
    void close_session(unsigned long id, bool wait);
    // The sockets of every dead session are closed now, or by the release of
    // their last reference: for a stop, after which no heartbeat thread may
    // be left to close them.
    void close_dead_sockets();
    // The last reference of a session marked by the stop path went.
    void close_released(TcpSession* session);
    void post_message(unsigned long id, Message* message);
    // Queues a frame already copied into a block of
    // ApiServiceWorker::alloc_copy (contiguous, its length in the header), so
    // that posting copies and allocates nothing more; the block is the
    // sender's from here on.
    void post_copy(unsigned long id, unsigned char* copy);
    void send_message(const Message* message);

    // One round of the receiver; returns the number of epoll events served.
    int epoll_receive_proc();
    // One pass of the sweep over every session.
    void heartbeat_check_proc();

    unsigned long alloc_session(unsigned long counter, int socket, unsigned char type);
    bool add_into_epoll(int socket, unsigned long id);

    int epoll_fd_;
    std::atomic<uint64_t> open_counter_;
    std::atomic<TcpSession*> sessions_[kSlotCount];
    ApiMessageSender* sender_;
    ApiMessageReceiver* receiver_;
    Framework* framework_;
    pthread_mutex_t mutex_;
    // Slots 1..slot_high_ - 1 hold objects (they are filled in order).
    std::atomic<unsigned long> slot_high_;

private:
    void sweep_session(TcpSession* session);
};

}}  // namespace nq::api
