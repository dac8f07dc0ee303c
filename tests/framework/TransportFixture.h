// Shared set-up for the transport tests: a framework whose transport creates
// plain TcpSession objects, records its session events, and whose routing
// records every frame the receiver cuts.
#pragma once
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

#include "framework/AllocMem.h"
#include "framework/ApiLocalTime.h"
#include "framework/ApiMessageSender.h"
#include "framework/Framework.h"
#include "framework/TcpMessageIO.h"
#include "framework/TcpSession.h"
#include "support/TestPeer.h"

namespace transport_test {

using nq::Message;
using nq::api::ApiLocalTime;
using nq::api::Framework;
using nq::api::TcpMessageIO;
using nq::api::TcpSession;
using testpeer::Bytes;

struct SessionEvent {
    enum Kind { kOpen, kClose, kDisconnect } kind;
    uint64_t id;
    unsigned char type;
};

class RecordingIO : public TcpMessageIO {
public:
    explicit RecordingIO(Framework* f) : TcpMessageIO(f) {}
    TcpSession* create_session_object() override {
        if (fail_create) return nullptr;
        void* mem = nq::api::alloc_mem(sizeof(TcpSession), 8);
        if (mem == nullptr) return nullptr;
        auto* s = new (mem) TcpSession(this);
        if (ring_size != 0) s->ring_size_ = ring_size;
        return s->initialize() ? s : nullptr;
    }
    void on_open_session(unsigned long id) override { add({SessionEvent::kOpen, id, 0}); }
    void on_close_session(TcpSession* s) override { add({SessionEvent::kClose, s->session_id(), s->type_}); }
    void on_disconnect(unsigned long id, unsigned char type) override { add({SessionEvent::kDisconnect, id, type}); }
    std::vector<SessionEvent> events_of(SessionEvent::Kind kind) {
        std::lock_guard<std::mutex> g(mu);
        std::vector<SessionEvent> out;
        for (const auto& e : events)
            if (e.kind == kind) out.push_back(e);
        return out;
    }

    bool fail_create = false;
    uint64_t ring_size = 0;  // 0: the production size
    std::mutex mu;
    std::vector<SessionEvent> events;

private:
    void add(SessionEvent e) {
        std::lock_guard<std::mutex> g(mu);
        events.push_back(e);
    }
};

struct ReceivedFrame {
    Bytes bytes;
    bool contiguous;  // header, body = header + 64 and frame pointer agree
};

class RecordingFramework : public Framework {
public:
    TcpMessageIO* create_message_io() override {
        auto* io = new RecordingIO(this);
        rio = io;
        return io->initialize() ? io : nullptr;
    }
    unsigned long get_message_handler(Message* m) override {
        const auto* h = reinterpret_cast<const unsigned char*>(m->header_);
        const uint32_t length = testpeer::length_of(h);
        Bytes bytes(h, h + 64);
        if (length > 64) bytes.insert(bytes.end(), m->body_, m->body_ + (length - 64));
        std::lock_guard<std::mutex> g(mu);
        received.push_back({bytes, m->frame_ == h && m->body_ == h + 64});
        return route;
    }
    size_t received_count() {
        std::lock_guard<std::mutex> g(mu);
        return received.size();
    }

    RecordingIO* rio = nullptr;
    unsigned long route = 0;
    std::mutex mu;
    std::vector<ReceivedFrame> received;
};

class TransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ApiLocalTime::initialize();
        t0 = ApiLocalTime::mono_ms();
        fw = new RecordingFramework();  // lives with the process, like the library's
        fw->handler_count_ = handler_count;
        ASSERT_TRUE(fw->initialize());
        io = fw->rio;
    }

    // The clock of heartbeats and silence.
    void set_now(uint64_t ms) { ApiLocalTime::set_mono_ms(ms); }

    // A socketpair whose library end is registered; returns the peer end.
    int open_pair(uint64_t* id, unsigned char type = 1) {
        int sv[2];
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0) return -1;
        *id = io->open_session(sv[0], type);
        return sv[1];
    }

    TcpSession* slot_object(uint64_t id) { return io->sessions_[nq::session_slot(id)].load(); }

    // Receive rounds until one serves no event (everything readable was read).
    void pump_until_idle() {
        for (int i = 0; i < 10000; ++i)
            if (io->epoll_receive_proc() == 0) return;
        ADD_FAILURE() << "receiver never went idle";
    }

    // Runs what "mio_sender" would run, on this thread.
    void drain_sender() {
        while (unsigned char* copy = io->sender_->get_first_task()) {
            Message m{reinterpret_cast<nq::MessageHeader*>(copy), copy + 64, copy};
            io->sender_->do_one_task(&m);
            nq::api::ApiServiceWorker::free_message(copy);
        }
    }

    // Sweeps a user-closed or dead session until the sweep frees it.
    void sweep_until_freed(uint64_t id) {
        uint64_t now = ApiLocalTime::mono_ms();
        for (int i = 0; i < 4 && slot_object(id)->session_id() == id; ++i) {
            io->heartbeat_check_proc();
            now += 1001;
            set_now(now);
        }
        ASSERT_NE(slot_object(id)->session_id(), id) << "session not freed by the sweep";
    }

    unsigned long handler_count = 0;
    uint64_t t0 = 0;
    RecordingFramework* fw = nullptr;
    RecordingIO* io = nullptr;
};

}  // namespace transport_test
