// Peer bytes into one session's receive ring and out as frames. Input: two
// bytes that place the stream relative to the ring's end, one byte that sets
// the size of the pieces it arrives in, then the stream itself.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "framework/Message.h"
#include "framework/TcpSession.h"

namespace {

volatile unsigned g_sink;

nq::api::TcpSession* session() {
    static nq::api::TcpSession* s = [] {
        auto* t = new nq::api::TcpSession(nullptr);
        if (!t->initialize()) std::abort();
        return t;
    }();
    return s;
}

// Every frame handed out must be a whole, readable, well-formed frame.
void check_frame(const unsigned char* frame, uint64_t available_before) {
    const uint32_t length = nq::frame_length(frame);
    if (length < 64 || length > nq::api::TcpSession::kMaxFrameLength || length > available_before) std::abort();
    unsigned sum = 0;
    for (uint32_t i = 0; i < length; ++i) sum += frame[i];
    g_sink = sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3 || size > (1u << 20)) return 0;
    nq::api::TcpSession* s = session();
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0) return 0;
    s->attach(sv[0]);
    const uint64_t back = (uint64_t(data[0]) | uint64_t(data[1]) << 8) % (s->ring_size_ + 1);
    s->read_count_ = s->write_count_ = s->ring_size_ - back;
    const size_t piece = 1 + data[2] * 16u;
    data += 3;
    size -= 3;
    for (size_t off = 0; off < size && !s->broken_;) {
        const size_t n = size - off < piece ? size - off : piece;
        if (send(sv[1], data + off, n, MSG_NOSIGNAL) != static_cast<ssize_t>(n)) break;
        off += n;
        // Read until the socket is empty or the ring holds nothing more.
        for (int round = 0; round < 64 && !s->broken_; ++round) {
            const long got = s->receive_data();
            for (;;) {
                const uint64_t available = s->write_count_ - s->read_count_;
                const unsigned char* frame = s->get_message();
                if (frame == nullptr) break;
                check_frame(frame, available);
            }
            if (got <= 0) break;
        }
    }
    close(sv[0]);
    close(sv[1]);
    s->socket_ = -1;
    return 0;
}
