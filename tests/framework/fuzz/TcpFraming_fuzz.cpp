// Peer bytes into one session's receive ring and out as frames, in process:
// the first piece of some streams through a socket the run keeps, the rest
// copied where a receive would put them. Input: two
// bytes that place the stream relative to the ring's end, one byte that sets
// the size of the pieces it arrives in, then the stream itself.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

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

// One socket pair that inputs share: the first piece of one input in eight
// (by its piece size) comes through it, so that the socket receive stays
// covered. A session that meets a
// broken frame shuts its socket down; only then is the pair made anew.
int* peer(nq::api::TcpSession* s) {
    static int fds[2] = {-1, -1};
    if (fds[0] >= 0 && s->retired_.load() != 0) {
        close(fds[0]);
        close(fds[1]);
        fds[0] = fds[1] = -1;
    }
    if (fds[0] < 0 && socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) std::abort();
    return fds;
}

// Takes out every frame the ring holds; true when there was one.
bool take_frames(nq::api::TcpSession* s) {
    bool took = false;
    for (;;) {
        const uint64_t available = s->write_count_ - s->read_count_;
        const unsigned char* frame = s->get_message();
        if (frame == nullptr) return took;
        check_frame(frame, available);
        took = true;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3 || size > (1u << 20)) return 0;
    nq::api::TcpSession* s = session();
    int* fds = peer(s);
    s->attach(fds[0]);  // a fresh connection
    const uint64_t back = (uint64_t(data[0]) | uint64_t(data[1]) << 8) % (s->ring_size_ + 1);
    s->read_count_ = s->write_count_ = s->ring_size_ - back;
    const size_t piece = 1 + data[2] * 16u;
    data += 3;
    size -= 3;
    // The stream arrives in pieces, each copied into the free part of the
    // ring as a receive would; the frames it completes are taken out after
    // each piece. The ring may be full before a piece is in: then frames
    // are taken first, and a ring that frees nothing ends the stream.
    size_t off = 0;
    if (size > 0 && (piece & 0x70) == 0) {  // one input in eight
        const size_t n = size < piece ? size : piece;
        if (send(fds[1], data, n, MSG_NOSIGNAL) != static_cast<ssize_t>(n)) std::abort();
        while (!s->broken_ && s->receive_data() > 0) take_frames(s);
        // What the ring had no room for stays out of the next input.
        unsigned char drain[4096];
        while (recv(fds[0], drain, sizeof drain, MSG_DONTWAIT) > 0) {
        }
        off = n;
    }
    for (; off < size && !s->broken_;) {
        const size_t n = size - off < piece ? size - off : piece;
        for (size_t done = 0; done < n && !s->broken_;) {
            uint64_t room;
            unsigned char* at = s->receive_room(&room);
            const size_t k = room < n - done ? static_cast<size_t>(room) : n - done;
            std::memcpy(at, data + off + done, k);
            s->received(k);
            done += k;
            const bool took = take_frames(s);
            if (k == 0 && !took) {
                off = size;  // nothing fits and nothing frees room
                break;
            }
        }
        off += n;
    }
    return 0;
}
