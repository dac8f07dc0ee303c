// A UDP receiver: a named service thread that receives the datagrams of a set
// of streams and hands each payload, tagged with its stream's message type,
// to a data sink. Two modes share this base: kernel sockets with epoll and the
// network adapter's kernel-bypass receive path.
//
// Calling order: create -> initialize -> start -> finalize -> delete, all on
// one controlling thread; the sink runs on the receiver thread.
#pragma once
#include "api/mdata/IUdpDataSink.h"
#include "api/mdata/UdpReceiverConfig.h"
#include "framework/ApiServiceThread.h"

namespace nq { namespace api {

class KApiUdpReceiver : public ApiServiceThread {
public:
    // How many 1 ms checks finalize makes before it warns that the thread has
    // not ended yet (it keeps waiting: the runtime is never released under a
    // running thread).
    static constexpr int kStopChecks = 500;

    // A receiver of the mode that rx_mode selects, owned by the caller; null
    // with the last error set when the mode cannot be had.
    static KApiUdpReceiver* create(const char* name, IUdpDataSink* sink, const udp_receiver_config_t& config);
    static bool is_efvi_supported(const udp_receiver_config_t& config);
    // True on a receiver thread (inside the sink, for instance).
    static bool on_receiver_thread() { return current_ != nullptr; }

    KApiUdpReceiver(const char* name, IUdpDataSink* sink);
    // Each mode's destructor finalizes first, so a receiver is never freed
    // under its running thread.
    ~KApiUdpReceiver() override;

    void work_proc() override;
    virtual const char* mode_name() const = 0;
    virtual bool do_initialize(const udp_receiver_config_t& config) = 0;
    virtual void do_work() = 0;
    virtual void do_cleanup() = 0;
    // Ends a blocking wait of the receiver thread; nothing for polling modes.
    virtual void wake() {}

    bool initialize(const udp_receiver_config_t& config);
    void finalize();
    void cleanup();

    IUdpDataSink* sink_;
    udp_receiver_config_t config_;
    bool initialized_;

private:
    static thread_local KApiUdpReceiver* current_;
};

}}  // namespace nq::api
