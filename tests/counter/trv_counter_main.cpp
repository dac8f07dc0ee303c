// trv_counter: the stand-in counter as a program, for the example program and
// manual runs. Prints the port it listens on, then runs until killed or until
// its time limit.
//
//   trv_counter [--port N] [--account NAME:normal|proxy|privileged[:PASSWORD]]...
//               [--rows N] [--sub-tables N] [--page-rows N] [--first-token N]
//               [--orders now|later:MS|never] [--no-trades]
//               [--channel TYPE:PORT | TYPE:GROUP:PORT]... [--feed-ms N]   (port 0: a free one)
//               [--time-limit SECONDS] [--port-file PATH] [--verbose]
#include <arpa/inet.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "counter/QuoteFeeder.h"
#include "counter/StandInCounter.h"

using namespace counter;

namespace {

std::atomic<bool> g_stop{false};

void on_signal(int) { g_stop = true; }

int usage(const char* what) {
    std::fprintf(stderr,
                 "trv_counter: %s\n"
                 "usage: trv_counter [--port N] [--account NAME:normal|proxy|privileged[:PASSWORD]]...\n"
                 "  [--rows N] [--sub-tables N] [--page-rows N] [--first-token N]\n"
                 "  [--orders now|later:MS|never] [--no-trades]\n"
                 "  [--channel TYPE:PORT | TYPE:GROUP:PORT]... [--feed-ms N]\n"
                 "  [--time-limit SECONDS] [--port-file PATH] [--verbose]\n",
                 what);
    return 2;
}

bool parse_account(const std::string& text, CounterAccount* a) {
    const size_t c1 = text.find(':');
    if (c1 == std::string::npos || c1 == 0) return false;
    a->name = text.substr(0, c1);
    const size_t c2 = text.find(':', c1 + 1);
    const std::string kind = text.substr(c1 + 1, c2 == std::string::npos ? std::string::npos : c2 - c1 - 1);
    if (kind == "normal")
        a->kind = AccountKind::Normal;
    else if (kind == "proxy")
        a->kind = AccountKind::Proxy;
    else if (kind == "privileged")
        a->kind = AccountKind::Privileged;
    else
        return false;
    if (c2 != std::string::npos) a->password = text.substr(c2 + 1);
    return true;
}

bool parse_channel(const std::string& text, QuoteChannel* c) {
    const size_t c1 = text.find(':');
    if (c1 == std::string::npos) return false;
    const size_t c2 = text.find(':', c1 + 1);
    c->mc_type = uint16_t(std::strtoul(text.substr(0, c1).c_str(), nullptr, 10));
    c->group.sin_family = AF_INET;
    std::string host = "127.0.0.1", port = text.substr(c1 + 1);
    if (c2 != std::string::npos) {
        host = text.substr(c1 + 1, c2 - c1 - 1);
        port = text.substr(c2 + 1);
    }
    if (inet_pton(AF_INET, host.c_str(), &c->group.sin_addr) != 1) return false;
    const uint32_t h = ntohl(c->group.sin_addr.s_addr);
    if ((h >> 24) != 127 && (h >> 28) != 0xe) return false;  // loopback or multicast only
    const uint16_t mc_type = c->mc_type;
    const uint16_t port_number = uint16_t(std::strtoul(port.c_str(), nullptr, 10));
    if (port_number == 0) {
        // Port 0: a free one, printed at start.
        *c = QuoteFeeder::loopback_channel(mc_type, host.c_str());
        return c->mc_type != 0;
    }
    c->group.sin_port = htons(port_number);
    return c->mc_type != 0;
}

// A few records for the channel's type, changing with `tick`.
Bytes feed_payload(uint16_t mc_type, uint64_t tick) {
    if (mc_type == 1)
        return QuoteFeeder::level1_entry(1, QuoteFeeder::sse_l1_snapshot("600000", 20240102, 1000000 + tick));
    if (mc_type == 2)
        return QuoteFeeder::level1_entry(3, QuoteFeeder::szse_l1_snapshot("000001", 20240102093000000, 1200000 + tick));
    const uint8_t type_byte = mc_type == 107 ? 23 : mc_type == 110 ? 81 : 0;
    Bytes b = QuoteFeeder::level2_record(mc_type, type_byte, tick);
    if (mc_type == 102) {
        // A trade of 600000: symbol at 21, price at 51, quantity at 55.
        std::memcpy(&b[21], "600000", 6);
        const uint32_t price = uint32_t(10500 + tick % 10);
        const uint64_t quantity = 100 * (1 + tick % 5);
        std::memcpy(&b[51], &price, sizeof price);
        std::memcpy(&b[55], &quantity, sizeof quantity);
    }
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    CounterOptions options;
    std::vector<CounterAccount> accounts;
    std::vector<QuoteChannel> channels;
    OrderReplies replies;
    double time_limit = 0;
    int feed_ms = 0;
    bool verbose = false;
    std::string port_file;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "trv_counter: %s needs a value\n", name);
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--port")
            options.port = uint16_t(std::strtoul(value("--port"), nullptr, 10));
        else if (arg == "--rows")
            options.default_rows = uint32_t(std::strtoul(value("--rows"), nullptr, 10));
        else if (arg == "--sub-tables")
            options.default_sub_tables = uint32_t(std::strtoul(value("--sub-tables"), nullptr, 10));
        else if (arg == "--page-rows")
            options.max_page_rows = uint32_t(std::strtoul(value("--page-rows"), nullptr, 10));
        else if (arg == "--first-token")
            options.first_token_id = std::strtoull(value("--first-token"), nullptr, 10);
        else if (arg == "--time-limit")
            time_limit = std::strtod(value("--time-limit"), nullptr);
        else if (arg == "--feed-ms")
            feed_ms = std::atoi(value("--feed-ms"));
        else if (arg == "--verbose")
            verbose = true;
        else if (arg == "--port-file")
            port_file = value("--port-file");
        else if (arg == "--no-trades")
            replies.trade = false;
        else if (arg == "--orders") {
            const std::string v = value("--orders");
            if (v == "now")
                replies.when = OrderReplies::When::AtOnce;
            else if (v == "never")
                replies.when = OrderReplies::When::Never;
            else if (v.compare(0, 6, "later:") == 0) {
                replies.when = OrderReplies::When::Later;
                replies.later_ms = std::atoi(v.c_str() + 6);
            } else
                return usage("bad --orders");
        } else if (arg == "--account") {
            CounterAccount a;
            if (!parse_account(value("--account"), &a)) return usage("bad --account");
            accounts.push_back(a);
        } else if (arg == "--channel") {
            QuoteChannel c;
            if (!parse_channel(value("--channel"), &c)) return usage("bad --channel");
            channels.push_back(c);
        } else
            return usage(("unknown argument " + arg).c_str());
    }
    if (options.default_sub_tables > 16) return usage("at most 16 sub-tables");

    StandInCounter counter(options);
    for (const auto& a : accounts) counter.add_account(a);
    counter.set_channels(channels);
    counter.set_order_replies(replies);
    if (!counter.start()) {
        std::fprintf(stderr, "trv_counter: cannot listen: %s\n", std::strerror(errno));
        return 1;
    }
    const sockaddr_in node = counter.order_node();
    std::printf("trv_counter listening on 127.0.0.1:%u\n", unsigned(counter.port()));
    std::printf("trv_counter order node 127.0.0.1:%u\n", unsigned(ntohs(node.sin_port)));
    for (const auto& c : channels) {
        char text[INET_ADDRSTRLEN] = "";
        inet_ntop(AF_INET, &c.group.sin_addr, text, sizeof text);
        std::printf("trv_counter channel %u at %s:%u\n", unsigned(c.mc_type), text, unsigned(ntohs(c.group.sin_port)));
    }
    std::fflush(stdout);
    if (!port_file.empty()) {
        // Written whole under another name first, so a reader never sees half a port.
        const std::string tmp = port_file + ".tmp";
        FILE* f = std::fopen(tmp.c_str(), "w");
        if (f == nullptr || std::fprintf(f, "%u\n", unsigned(counter.port())) < 0 || std::fclose(f) != 0 ||
            std::rename(tmp.c_str(), port_file.c_str()) != 0) {
            std::fprintf(stderr, "trv_counter: cannot write %s\n", port_file.c_str());
            return 1;
        }
    }

    signal(SIGINT, on_signal);
    signal(SIGTERM, on_signal);
    QuoteFeeder feeder;
    const bool feeding = feed_ms > 0 && !channels.empty() && feeder.open();
    const auto start = std::chrono::steady_clock::now();
    auto next_feed = start;
    uint64_t tick = 0;
    size_t shown = 0;
    while (!g_stop) {
        const auto now = std::chrono::steady_clock::now();
        if (time_limit > 0 && std::chrono::duration<double>(now - start).count() >= time_limit) break;
        if (feeding && now >= next_feed) {
            ++tick;
            for (const auto& c : channels) feeder.send(c, feed_payload(c.mc_type, tick));
            next_feed = now + std::chrono::milliseconds(feed_ms);
        }
        if (verbose) {
            const auto frames = counter.frames();
            for (; shown < frames.size(); ++shown)
                if (frames[shown].code != 2)
                    std::printf("trv_counter session %llu received code %u length %u\n",
                                static_cast<unsigned long long>(frames[shown].session), frames[shown].code,
                                frames[shown].length);
            std::fflush(stdout);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    counter.stop();
    std::printf("trv_counter stopped after %zu frames and %zu datagrams\n", counter.frames().size(),
                counter.datagrams().size());
    return 0;
}
