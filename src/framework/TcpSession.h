// One TCP connection to a gateway: socket, state flags, reference count,
// heartbeat times and the receive ring that frames are cut from.
#pragma once
#include <sys/socket.h>

#include <atomic>
#include <cstdint>

namespace nq { namespace api {

class TcpMessageIO;

// Its times (attach, last receive, close, send progress) are monotonic
// milliseconds (ApiLocalTime::mono_ms): heartbeats and silence are measured
// on a clock that a step of the host's clock does not move.
class TcpSession {
public:
    static constexpr uint64_t kRingSize = 256 * 1024;
    // Bytes in front of the ring; a frame that wraps is made contiguous there,
    // which also bounds the frame length.
    static constexpr uint64_t kGuardSize = 64 * 1024;
    static constexpr uint64_t kMaxFrameLength = kGuardSize;
    static constexpr uint64_t kHeartbeatTimeoutMs = 5000;
    // Longest single wait of the sender for room in a full socket buffer.
    static constexpr int kSendWaitMs = 100;
    // Longest wait of one connection attempt.
    static constexpr long kConnectTimeoutMs = 3000;

    explicit TcpSession(TcpMessageIO* io);
    virtual ~TcpSession();

    bool initialize();
    void attach(int socket);
    // The object takes a new connection of the transport: its id first, then
    // its type, then attach (alive last), so that a thread that sees it alive
    // also sees its id. Under the table mutex.
    void assign(unsigned long id, unsigned char type, int socket);
    // A connection that could not be registered gives its slot back: the id
    // goes first, so that a stale lookup fails on it and never reaches the
    // socket, which the caller closes itself. Under the table mutex.
    void abandon();
    // The user closes the session: it is marked closed by the user (so that
    // its loss is not reported) and dead. Under the table mutex.
    void close_by_user();
    bool acquire();
    // Drops a reference; the last one of a dead session marked by
    // close_socket_when_released() closes its socket. Never called under the
    // transport's table mutex.
    void release();
    // Closes the socket of a dead session that nobody holds, and starts the
    // one-second wait before the slot is freed. Under the table mutex.
    void disconnect();
    // For the stop path: the socket of this dead session is closed now when
    // nobody holds it, else by the release of its last reference (the
    // heartbeat thread that would close it may be gone). Under the table
    // mutex.
    void close_socket_when_released();
    bool is_disconnect() const;
    void free_session();
    int check_heartbeat() const;

    // Marks the session dead and, once per connection, takes its socket out of
    // epoll and shuts it down so that nobody waits on it any more. The caller
    // must hold a reference or the transport's table mutex (the socket is then
    // guaranteed to be open).
    void mark_dead();

    // Reads what the socket holds into the ring: the free part that
    // receive_room gives, then received. (The two are also how bytes reach
    // the ring without a socket.)
    long receive_data();
    unsigned char* receive_room(uint64_t* room);
    void received(uint64_t count);
    long tcp_recv(unsigned char* buffer, unsigned long size);
    unsigned char* get_message();
    long send_data(const void* buffer, unsigned long size);
    // Writes all bytes; a peer that takes none of them for longer than the
    // heartbeat time-out, or a session that dies meanwhile, ends the session.
    long tcp_send(const void* buffer, unsigned long size);

    // A connected socket (blocking, close-on-exec), or -1 with the failure
    // logged. An attempt that has not completed within timeout_ms (0 or
    // less: kConnectTimeoutMs) fails like a refused one, "socket connect
    // fail(Connection timed out).", instead of waiting for the kernel's own
    // time-out, which is minutes for a gateway that drops the attempt.
    static int tcp_connect(const sockaddr* remote, const sockaddr* local, long timeout_ms = kConnectTimeoutMs);

    bool is_alive() const { return alive_.load(std::memory_order_acquire) != 0; }
    uint64_t session_id() const { return session_id_.load(std::memory_order_acquire); }

    int socket_;
    unsigned char type_;
    std::atomic<unsigned char> alive_;
    unsigned char closed_by_user_;
    std::atomic<uint64_t> session_id_;
    std::atomic<int64_t> ref_count_;
    std::atomic<uint64_t> last_recv_time_;
    uint64_t attach_time_;
    uint64_t close_time_;
    uint64_t heartbeat_timeout_;
    uint64_t read_count_;
    uint64_t write_count_;
    // May be lowered before initialize() (never below the largest frame a peer
    // is expected to send); frames longer than the ring are treated as broken.
    uint64_t ring_size_;
    unsigned char* ring_;
    TcpMessageIO* io_;
    // Set once the socket has been taken out of epoll and shut down.
    std::atomic<unsigned char> retired_;
    // Set when the peer sent a frame length outside the protocol.
    unsigned char broken_;
    // Set by close_socket_when_released(); cleared when a connection attaches.
    std::atomic<unsigned char> close_on_release_;
};

}}  // namespace nq::api
