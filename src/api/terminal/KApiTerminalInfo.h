// Terminal identification: one terminal's description and the
// terminal-information string sent in login and authorisation requests.
#pragma once
#include <sys/socket.h>

#include <cstddef>
#include <cstdint>

#include "trv_api.h"

namespace nq { namespace api {

class KApiTerminalInfo {
public:
    explicit KApiTerminalInfo(TerminalType type = TerminalType::PC);
    // Defaults with type PC, then every field the caller gave (null: not given).
    explicit KApiTerminalInfo(const trv_user_terminal_info_t* info);

    // Null or empty input leaves the field unchanged.
    void set_iip(const char* ip);
    void set_iport(int32_t port);  // ignored when 0
    void set_lip(const char* ip);
    void set_hd(const char* serial);
    void set_sno(const char* serial);
    void set_mac_addr(const char* mac);  // ':' and '-' removed
    // Null or empty input sets "NA".
    void set_pcn(const char* name);
    void set_cpu_sn(const char* serial);
    void set_pi(const char* partition);
    void set_vol(const char* serial);
    // Null or empty input empties the field.
    void set_extern_info(const char* info);

    // Local IP and MAC of the interface that owns this (IPv4 or IPv6) address.
    void set_local_ip_and_mac(const sockaddr* address);
    // Fills the record from the host's information.
    void set_local_info();

    // The terminal-information string (CONST_TERMINAL_INFO_LEN bytes) for the
    // types PC and PC_LINUX; other types leave out untouched. The record
    // itself is not changed.
    void get_terminal_info_str(char* out) const;
    // The PC / PC_LINUX form of the string, whatever the type.
    void get_pc_terminal_info_str(char*& out) const;

    // The process-wide record of this host, built and filled on first use.
    static const KApiTerminalInfo& local_terminal_info();
    // Local IP used by set_local_info (IPv4 or IPv6; other families ignored).
    static void set_default_lip(const sockaddr* address);
    static const char* default_lip() { return default_lip_; }

    // Drops leading and trailing white space and turns every inner run of
    // white space into one blank. out holds out_size bytes.
    static void process_spaces(const char* in, char* out, size_t out_size);
    // process_spaces, then keeps the last n characters, into field (n + 1 bytes);
    // a lone backslash at the end is dropped.
    static void normalize_info(const char* in, char* field, size_t n);
    // A host value for a field of n characters: spaces folded, escaped whole,
    // then its last n characters without a split escape pair, into out
    // (out_size > n). False when nothing is left.
    static bool escape_host_value(const char* raw, size_t n, char* out, size_t out_size);
    // Copies in with a backslash before , : ; @ \ and |, writing at most
    // n - 1 characters and the terminator; an escaped character whose pair
    // does not fit is dropped with its backslash. False for null or empty
    // input, null output or n of 0.
    static bool escape_character(const char* in, char* out, size_t n);
    // Upper-cases text up to its terminator or n characters.
    static void upper_info(char* text, size_t n);

    TerminalType type() const { return type_; }
    const char* iip() const { return iip_; }
    const char* iport() const { return iport_; }
    const char* lip() const { return lip_; }
    const char* mac_addr() const { return mac_addr_; }
    const char* hd() const { return hd_; }
    const char* sno() const { return sno_; }
    const char* pcn() const { return pcn_; }
    const char* cpu_sn() const { return cpu_sn_; }
    const char* pi() const { return pi_; }
    const char* vol() const { return vol_; }
    const char* extern_info() const { return extern_info_; }

private:
    void set_lip_and_mac_text(const char* ip);

    TerminalType type_;
    char iip_[46];
    char iport_[46];
    char lip_[46];
    char mac_addr_[18];
    char hd_[33];
    char sno_[21];
    char pcn_[21];
    char cpu_sn_[21];
    char pi_[21];
    char vol_[11];
    char extern_info_[257];

    static char default_lip_[46];
};

}}  // namespace nq::api
