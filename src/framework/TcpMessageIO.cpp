#include "framework/TcpMessageIO.h"

#include <errno.h>
#include <sys/epoll.h>
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <new>

#include "framework/AllocMem.h"
#include "framework/ApiHeartBeatThread.h"
#include "framework/ApiMessageReceiver.h"
#include "framework/ApiMessageSender.h"
#include "framework/Framework.h"
#include "framework/TcpSession.h"
#include "log/Log.h"

namespace nq { namespace api {

namespace {

constexpr int kEpollBatch = 32;
constexpr int kEpollWaitMs = 1;

}  // namespace

uint64_t session_startup_tag() {
    static const uint64_t tag = (static_cast<uint64_t>(time(nullptr)) ^ static_cast<uint64_t>(getpid())) & 0xfffffff;
    return tag;
}

TcpMessageIO::TcpMessageIO(Framework* framework)
    : epoll_fd_(-1), open_counter_(1), sender_(nullptr), receiver_(nullptr), framework_(framework), slot_high_(1) {
    for (auto& slot : sessions_) slot.store(nullptr, std::memory_order_relaxed);
    pthread_mutex_init(&mutex_, nullptr);
}

TcpMessageIO::~TcpMessageIO() {}

void TcpMessageIO::on_disconnect(unsigned long, unsigned char) {}
void TcpMessageIO::on_open_session(unsigned long) {}
void TcpMessageIO::on_close_session(TcpSession*) {}

bool TcpMessageIO::initialize() {
    if (epoll_fd_ < 0) {
        epoll_fd_ = epoll_create1(EPOLL_CLOEXEC);
        if (epoll_fd_ < 0) {
            LOG_ERROR("create epoll fail(%s).", strerror(errno));
            return false;
        }
    }
    if (sender_ == nullptr) {
        sender_ = make_object<ApiMessageSender>(this);
        if (sender_ == nullptr) return false;
    }
    if (!sender_->initialize()) return false;
    if (receiver_ == nullptr) {
        receiver_ = make_object<ApiMessageReceiver>(this);
        if (receiver_ == nullptr) return false;
        // Reached through the thread registry only.
        if (make_object<ApiHeartBeatThread>(this) == nullptr) return false;
    }
    return true;
}

unsigned long TcpMessageIO::open_session(int socket, unsigned char type) {
    const uint64_t counter = open_counter_.fetch_add(1, std::memory_order_relaxed);
    if (counter > kMaxOpenCounter) {
        // Ids must never repeat within a process, so no more sessions.
        LOG_ERROR("open session fail, session counter exhausted: { socket = %d }", socket);
        close(socket);
        return 0;
    }
    pthread_mutex_lock(&mutex_);
    const unsigned long id = alloc_session(counter, socket, type);
    if (id == 0) {
        pthread_mutex_unlock(&mutex_);
        LOG_ERROR("open session fail, no session slot: { socket = %d }", socket);
        close(socket);
        return 0;
    }
    if (!add_into_epoll(socket, id)) {
        // The slot goes back before the socket goes.
        slot_session(id)->abandon();
        pthread_mutex_unlock(&mutex_);
        close(socket);
        return 0;
    }
    on_open_session(id);
    pthread_mutex_unlock(&mutex_);
    return id;
}

unsigned long TcpMessageIO::alloc_session(unsigned long counter, int socket, unsigned char type) {
    for (unsigned long slot = 1; slot < kSlotCount; ++slot) {
        TcpSession* s = sessions_[slot].load(std::memory_order_acquire);
        bool reused = false;
        if (s == nullptr) {
            s = create_session_object();
            if (s == nullptr) return 0;
            sessions_[slot].store(s, std::memory_order_release);
            slot_high_.store(slot + 1, std::memory_order_release);
        } else if (s->session_id() != 0) {
            continue;
        } else {
            reused = true;
        }
        const unsigned long id = make_session_id(slot, counter, session_startup_tag());
        s->assign(id, type, socket);
        if (reused) LOG_TRACE("alloc_session: { session_id = %lu, index = %lu }", id, slot);
        return id;
    }
    return 0;
}

bool TcpMessageIO::add_into_epoll(int socket, unsigned long id) {
    epoll_event ev;
    std::memset(&ev, 0, sizeof(ev));
    ev.events = EPOLLIN;
    ev.data.u64 = id;
    if (epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, socket, &ev) != 0) {
        LOG_ERROR("add into epoll fail(%s): { session_id = %lu, socket = %d }", strerror(errno), id, socket);
        return false;
    }
    return true;
}

TcpSession* TcpMessageIO::acquire_session(unsigned long id) {
    TcpSession* s = slot_session(id);
    if (s == nullptr || !s->acquire()) return nullptr;
    if (s->session_id() != id) {
        s->release();
        return nullptr;
    }
    return s;
}

void TcpMessageIO::close_session(unsigned long id, bool wait) {
    TcpSession* s = slot_session(id);
    if (s == nullptr) return;
    bool found = false;
    pthread_mutex_lock(&mutex_);
    // A stale id must leave the slot's newer session alone.
    if (s->session_id() == id) {
        s->close_by_user();
        found = true;
    }
    pthread_mutex_unlock(&mutex_);
    if (!wait || !found) return;
    while (s->session_id() == id) {
        timespec ts{0, 100000};
        nanosleep(&ts, nullptr);
    }
}

void TcpMessageIO::close_dead_sockets() {
    const unsigned long high = slot_high_.load(std::memory_order_acquire);
    pthread_mutex_lock(&mutex_);
    for (unsigned long slot = 1; slot < high && slot < kSlotCount; ++slot) {
        TcpSession* s = sessions_[slot].load(std::memory_order_acquire);
        if (s != nullptr && s->session_id() != 0 && s->socket_ >= 0) s->close_socket_when_released();
    }
    pthread_mutex_unlock(&mutex_);
}

void TcpMessageIO::close_released(TcpSession* s) {
    pthread_mutex_lock(&mutex_);
    if (!s->is_alive()) s->disconnect();
    pthread_mutex_unlock(&mutex_);
}

void TcpMessageIO::post_message(unsigned long id, Message* message) {
    if (message == nullptr || message->header_ == nullptr) return;
    set_frame_session_id(message->header_, id);
    if (sender_ != nullptr) sender_->add_task(message);
}

void TcpMessageIO::post_copy(unsigned long id, unsigned char* copy) {
    if (copy == nullptr) return;
    set_frame_session_id(copy, id);
    if (sender_ != nullptr)
        sender_->add_copy(copy);
    else
        ApiServiceWorker::free_message(copy);
}

void TcpMessageIO::send_message(const Message* message) {
    unsigned char* hdr = message->frame_ != nullptr ? message->frame_ : message->header_->bytes;
    const uint32_t length = frame_length(hdr);
    if (length < kFrameHeaderSize) return;
    TcpSession* s = acquire_session(frame_session_id(hdr));
    if (s == nullptr) return;
    // The owner word of a queued copy is local only: it goes out as zero and
    // is put back for the worker afterwards.
    const uint64_t owner = header_word(hdr, kHeaderOwnerAt);
    set_header_word(hdr, kHeaderOwnerAt, 0);
    if (message->frame_ != nullptr) {
        s->send_data(message->frame_, length);
    } else if (s->send_data(hdr, kFrameHeaderSize) == static_cast<long>(kFrameHeaderSize) &&
               length > kFrameHeaderSize) {
        s->send_data(message->body_, length - kFrameHeaderSize);
    }
    set_header_word(hdr, kHeaderOwnerAt, owner);
    if (!s->is_alive()) s->mark_dead();
    s->release();
}

int TcpMessageIO::epoll_receive_proc() {
    epoll_event events[kEpollBatch];
    const int n = epoll_wait(epoll_fd_, events, kEpollBatch, kEpollWaitMs);
    for (int i = 0; i < n; ++i) {
        const unsigned long id = events[i].data.u64;
        TcpSession* s = acquire_session(id);
        if (s == nullptr) continue;
        s->receive_data();
        while (unsigned char* frame = s->get_message()) {
            set_frame_session_id(frame, id);
            Message m;
            m.header_ = reinterpret_cast<MessageHeader*>(frame);
            m.body_ = frame + kFrameHeaderSize;
            m.frame_ = frame;
            if (framework_ != nullptr) framework_->dispatch_message(&m);
        }
        // End of stream, receive error or a broken frame: stop watching the
        // socket now instead of spinning on it until the sweep closes it.
        if (!s->is_alive()) s->mark_dead();
        s->release();
    }
    return n > 0 ? n : 0;
}

void TcpMessageIO::heartbeat_check_proc() {
    const unsigned long high = slot_high_.load(std::memory_order_acquire);
    for (unsigned long slot = 1; slot < high && slot < kSlotCount; ++slot) {
        TcpSession* s = sessions_[slot].load(std::memory_order_acquire);
        if (s != nullptr) sweep_session(s);
    }
}

void TcpMessageIO::sweep_session(TcpSession* s) {
    pthread_mutex_lock(&mutex_);
    const unsigned long id = s->session_id();
    if (id == 0) {
        pthread_mutex_unlock(&mutex_);
        return;
    }
    if (s->is_disconnect()) {
        const bool report = s->closed_by_user_ == 0;
        const unsigned char type = s->type_;
        on_close_session(s);
        LOG_TRACE("session close: { session_id = %lu }", id);
        s->free_session();
        pthread_mutex_unlock(&mutex_);
        if (report) on_disconnect(id, type);
        return;
    }
    if (s->is_alive()) {
        const int state = s->check_heartbeat();
        if (state < 0) {
            LOG_WARN("session heartbeat timeout: { session_id = %lu }", id);
            s->mark_dead();
        } else if (state > 0) {
            unsigned char frame[kHeartbeatLength];
            std::memset(frame, 0, sizeof(frame));
            set_frame_code_length(frame, kHeartbeatCode, kHeartbeatLength);
            Message m;
            m.header_ = reinterpret_cast<MessageHeader*>(frame);
            m.body_ = frame + kFrameHeaderSize;
            m.frame_ = frame;
            post_message(id, &m);
        }
    } else {
        s->mark_dead();
        s->disconnect();
    }
    pthread_mutex_unlock(&mutex_);
}

}}  // namespace nq::api
