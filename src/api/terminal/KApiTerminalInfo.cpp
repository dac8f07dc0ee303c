#include "api/terminal/KApiTerminalInfo.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "TrvVersion.h"
#include "trv_hostinfo.h"

namespace nq { namespace api {

namespace {

const char kLibraryTag[] = "KAPI";
const char* const kVersion = kTrvVersion;
const size_t kInfoLen = static_cast<size_t>(CONST_TERMINAL_INFO_LEN);

bool empty(const char* s) { return s == nullptr || s[0] == '\0'; }

bool needs_escape(char c) { return c == ',' || c == ':' || c == ';' || c == '@' || c == '\\' || c == '|'; }

// Bounded string builder for the terminal string: every append is cut at the
// bound, and a cut never leaves a backslash that escapes nothing.
class InfoWriter {
public:
    explicit InfoWriter(char* out) : out_(out) { out_[0] = '\0'; }

    void append(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
        if (full_) return;
        va_list ap;
        va_start(ap, fmt);
        int n = vsnprintf(out_ + len_, kInfoLen - len_, fmt, ap);
        va_end(ap);
        if (n < 0) return;
        if (static_cast<size_t>(n) >= kInfoLen - len_) {
            full_ = true;
            len_ = kInfoLen - 1;
            size_t slashes = 0;
            while (slashes < len_ && out_[len_ - 1 - slashes] == '\\') ++slashes;
            if (slashes % 2 == 1) out_[--len_] = '\0';
        } else {
            len_ += static_cast<size_t>(n);
        }
    }

private:
    char* out_;
    size_t len_ = 0;
    bool full_ = false;
};

// Escapes can double a value; room for any host value escaped whole.
constexpr size_t kEscapeBound = 2048;

// True when text ends in a backslash that escapes nothing: an odd run.
bool ends_in_lone_backslash(const char* text, size_t len) {
    size_t run = 0;
    while (run < len && text[len - 1 - run] == '\\') ++run;
    return run % 2 == 1;
}

}  // namespace

bool KApiTerminalInfo::escape_host_value(const char* raw, size_t n, char* out, size_t out_size) {
    if (empty(raw) || out == nullptr || n + 1 > out_size) return false;
    std::string spaced(strlen(raw) + 1, '\0');
    process_spaces(raw, &spaced[0], spaced.size());
    std::string escaped(kEscapeBound, '\0');
    if (!escape_character(spaced.c_str(), &escaped[0], escaped.size())) return false;
    const size_t len = strlen(escaped.c_str());
    // The end of the value is what identifies it best: keep the last n
    // characters, but never the second half of a pair without its backslash.
    const size_t want = len > n ? len - n : 0;
    size_t start = 0;
    while (start < want) start += escaped[start] == '\\' ? 2 : 1;
    memcpy(out, escaped.c_str() + start, len - start);
    out[len - start] = '\0';
    return out[0] != '\0';
}

namespace {
}  // namespace

char KApiTerminalInfo::default_lip_[46] = "";

KApiTerminalInfo::KApiTerminalInfo(TerminalType type) : type_(type) {
    iip_[0] = iport_[0] = lip_[0] = mac_addr_[0] = hd_[0] = sno_[0] = extern_info_[0] = '\0';
    strcpy(pcn_, "NA");
    strcpy(cpu_sn_, "NA");
    strcpy(pi_, "NA");
    strcpy(vol_, "NA");
}

KApiTerminalInfo::KApiTerminalInfo(const trv_user_terminal_info_t* info) : KApiTerminalInfo(TerminalType::PC) {
    if (info == nullptr) return;
    type_ = info->term_type;
    set_lip(info->local_ip);
    set_mac_addr(info->mac_addr);
    set_hd(info->hd);
    set_iip(info->internet_ip);
    set_iport(info->internet_port);
    set_sno(info->macos_sno);
    set_cpu_sn(info->cpu_sn);
    set_pcn(info->pcn);
    set_pi(info->pi);
    set_vol(info->vol);
    set_extern_info(info->extern_info);
}

void KApiTerminalInfo::set_iip(const char* ip) {
    if (!empty(ip)) normalize_info(ip, iip_, sizeof(iip_) - 1);
}

void KApiTerminalInfo::set_iport(int32_t port) {
    if (port == 0) return;
    char text[16];
    snprintf(text, sizeof(text), "%u", static_cast<unsigned>(port));
    normalize_info(text, iport_, sizeof(iport_) - 1);
}

void KApiTerminalInfo::set_lip(const char* ip) {
    if (!empty(ip)) normalize_info(ip, lip_, sizeof(lip_) - 1);
}

void KApiTerminalInfo::set_hd(const char* serial) {
    if (!empty(serial)) normalize_info(serial, hd_, sizeof(hd_) - 1);
}

void KApiTerminalInfo::set_sno(const char* serial) {
    if (!empty(serial)) normalize_info(serial, sno_, sizeof(sno_) - 1);
}

void KApiTerminalInfo::set_mac_addr(const char* mac) {
    if (empty(mac)) return;
    std::string bare;
    for (const char* p = mac; *p != '\0'; ++p) {
        if (*p != ':' && *p != '-') bare.push_back(*p);
    }
    if (!bare.empty()) normalize_info(bare.c_str(), mac_addr_, sizeof(mac_addr_) - 1);
}

void KApiTerminalInfo::set_pcn(const char* name) {
    if (empty(name))
        strcpy(pcn_, "NA");
    else
        normalize_info(name, pcn_, sizeof(pcn_) - 1);
}

void KApiTerminalInfo::set_cpu_sn(const char* serial) {
    if (empty(serial))
        strcpy(cpu_sn_, "NA");
    else
        normalize_info(serial, cpu_sn_, sizeof(cpu_sn_) - 1);
}

void KApiTerminalInfo::set_pi(const char* partition) {
    if (empty(partition))
        strcpy(pi_, "NA");
    else
        normalize_info(partition, pi_, sizeof(pi_) - 1);
}

void KApiTerminalInfo::set_vol(const char* serial) {
    if (empty(serial))
        strcpy(vol_, "NA");
    else
        normalize_info(serial, vol_, sizeof(vol_) - 1);
}

void KApiTerminalInfo::set_extern_info(const char* info) {
    if (empty(info))
        extern_info_[0] = '\0';
    else
        normalize_info(info, extern_info_, sizeof(extern_info_) - 1);
}

void KApiTerminalInfo::set_lip_and_mac_text(const char* ip) {
    if (empty(ip)) return;
    set_lip(ip);
    unsigned index = get_nic_id_from_ip(ip);
    unsigned char mac[6];
    if (index == 0 || get_mac_from_nic(index, mac) != 0) return;
    if ((mac[0] | mac[1] | mac[2] | mac[3] | mac[4] | mac[5]) == 0) return;
    char text[18];
    snprintf(text, sizeof(text), "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    set_mac_addr(text);
}

namespace {

// The address as text: IPv4 or IPv6; empty for other families.
void address_text(const sockaddr* address, char* text, size_t size) {
    text[0] = '\0';
    if (address == nullptr) return;
    if (address->sa_family == AF_INET) {
        const sockaddr_in* in = reinterpret_cast<const sockaddr_in*>(address);
        if (inet_ntop(AF_INET, &in->sin_addr, text, static_cast<socklen_t>(size)) == nullptr) text[0] = '\0';
    } else if (address->sa_family == AF_INET6) {
        const sockaddr_in6* in6 = reinterpret_cast<const sockaddr_in6*>(address);
        if (inet_ntop(AF_INET6, &in6->sin6_addr, text, static_cast<socklen_t>(size)) == nullptr) text[0] = '\0';
    }
}

}  // namespace

void KApiTerminalInfo::set_local_ip_and_mac(const sockaddr* address) {
    char text[INET6_ADDRSTRLEN];
    address_text(address, text, sizeof(text));
    set_lip_and_mac_text(text);
}

void KApiTerminalInfo::set_default_lip(const sockaddr* address) {
    if (address == nullptr || (address->sa_family != AF_INET && address->sa_family != AF_INET6)) return;
    char text[INET6_ADDRSTRLEN];
    address_text(address, text, sizeof(text));
    snprintf(default_lip_, sizeof(default_lip_), "%s", text);
}

void KApiTerminalInfo::set_local_info() {
    char text[2048];
    snprintf(text, sizeof(text), "%s;%s", kLibraryTag, kVersion);
    set_extern_info(text);

    if (default_lip_[0] != '\0') set_lip_and_mac_text(default_lip_);

    char disk[128];
    char volume[128];
    const bool disk_known = get_system_disk_device(disk, sizeof(disk));
    const bool volume_known = get_system_disk_volume(volume, sizeof(volume));

    char raw[256];
    if (disk_known && get_device_serial_number(disk, raw, sizeof(raw)) &&
        escape_host_value(raw, sizeof(hd_) - 1, text, sizeof(text)))
        set_hd(text);
    if (get_hostname(raw, sizeof(raw)) && escape_host_value(raw, sizeof(pcn_) - 1, text, sizeof(text))) set_pcn(text);
    if (get_cpu_serial_number(raw, sizeof(raw)) && escape_host_value(raw, sizeof(cpu_sn_) - 1, text, sizeof(text)))
        set_cpu_sn(text);

    if (disk_known && volume_known) {
        DiskPartitionInfo* parts = nullptr;
        int count = 0;
        if (get_disk_partitions(disk, &parts, &count)) {
            for (int i = 0; i < count; ++i) {
                const DiskPartitionInfo& p = parts[i];
                if (strcmp(p.mount_point, volume) != 0 || p.fs_type[0] == '\0' || p.total_bytes == 0) continue;
                char size_text[32];
                if (p.total_bytes >= (1ull << 30))
                    snprintf(size_text, sizeof(size_text), "%u", static_cast<unsigned>(p.total_bytes >> 30));
                else
                    snprintf(size_text, sizeof(size_text), "%.2f",
                             static_cast<double>(p.total_bytes) / static_cast<double>(1ull << 30));
                std::string info;
                info.resize(sizeof(p.mount_point) + sizeof(p.uuid_or_label) + sizeof(p.fs_type) + 40);
                int n = -1;
                if (p.uuid_or_label[0] != '\0')
                    n = snprintf(&info[0], info.size(), "%s^%s^%s^%sG", p.mount_point, p.uuid_or_label, p.fs_type,
                                 size_text);
                if (n < 0 || n > 20) snprintf(&info[0], info.size(), "%s^%s^%sG", p.mount_point, p.fs_type, size_text);
                if (escape_host_value(info.c_str(), sizeof(pi_) - 1, text, sizeof(text))) set_pi(text);
                break;
            }
            free(parts);
        }
    }

    if (volume_known && get_volume_serial_number(volume, raw, sizeof(raw)) &&
        escape_host_value(raw, sizeof(vol_) - 1, text, sizeof(text)))
        set_vol(text);
}

void KApiTerminalInfo::get_pc_terminal_info_str(char*& out) const {
    if (out == nullptr) return;
    auto or_na = [](const char* field) { return field[0] != '\0' ? field : "NA"; };
    InfoWriter w(out);
    const char* prefix = type_ == TerminalType::PC_LINUX ? "OH" : "PC";
    if (sno_[0] != '\0' && strcmp(sno_, "NA") != 0)
        w.append("%s;IIP=%s;IPORT=%s;LIP=%s;MAC=%s;SNO=%s;HD=%s", prefix, or_na(iip_), or_na(iport_), or_na(lip_),
                 or_na(mac_addr_), sno_, or_na(hd_));
    else
        w.append("%s;IIP=%s;IPORT=%s;LIP=%s;MAC=%s;HD=%s", prefix, or_na(iip_), or_na(iport_), or_na(lip_),
                 or_na(mac_addr_), or_na(hd_));
    if (pcn_[0] != '\0') w.append(";PCN=%s", pcn_);
    if (cpu_sn_[0] != '\0') w.append(";CPU=%s", cpu_sn_);
    if (pi_[0] != '\0') w.append(";PI=%s", pi_);
    if (vol_[0] != '\0') w.append(";VOL=%s", vol_);
    upper_info(out, kInfoLen);
    if (extern_info_[0] != '\0') w.append("@%s", extern_info_);
}

void KApiTerminalInfo::get_terminal_info_str(char* out) const {
    if (out == nullptr) return;
    if (type_ != TerminalType::PC && type_ != TerminalType::PC_LINUX) return;
    get_pc_terminal_info_str(out);
}

const KApiTerminalInfo& KApiTerminalInfo::local_terminal_info() {
    // Thread-safe one-time construction; covers set_local_info as well.
    static const KApiTerminalInfo record = [] {
        KApiTerminalInfo info(TerminalType::PC_LINUX);
        info.set_local_info();
        return info;
    }();
    return record;
}

void KApiTerminalInfo::process_spaces(const char* in, char* out, size_t out_size) {
    if (out == nullptr || out_size == 0) return;
    out[0] = '\0';
    if (in == nullptr) return;
    size_t len = 0;
    bool pending_blank = false;
    for (const char* p = in; *p != '\0'; ++p) {
        if (isspace(static_cast<unsigned char>(*p))) {
            pending_blank = len > 0;
            continue;
        }
        if (pending_blank) {
            if (len + 1 >= out_size) break;
            out[len++] = ' ';
            pending_blank = false;
        }
        if (len + 1 >= out_size) break;
        out[len++] = *p;
    }
    out[len] = '\0';
}

void KApiTerminalInfo::normalize_info(const char* in, char* field, size_t n) {
    if (empty(in) || field == nullptr) return;
    std::string spaced(strlen(in) + 1, '\0');
    process_spaces(in, &spaced[0], spaced.size());
    size_t len = strlen(spaced.c_str());
    const char* start = spaced.c_str() + (len > n ? len - n : 0);
    size_t keep = len > n ? n : len;
    // A lone backslash at the end would escape the separator that follows
    // the field in the terminal string.
    if (ends_in_lone_backslash(start, keep)) --keep;
    memmove(field, start, keep);
    field[keep] = '\0';
}

bool KApiTerminalInfo::escape_character(const char* in, char* out, size_t n) {
    if (empty(in) || out == nullptr || n == 0) return false;
    memset(out, 0, n);
    size_t len = 0;
    for (const char* p = in; *p != '\0'; ++p) {
        if (needs_escape(*p)) {
            // A backslash without its character would escape whatever follows.
            if (len + 2 > n - 1) break;
            out[len++] = '\\';
            out[len++] = *p;
        } else {
            if (len + 1 > n - 1) break;
            out[len++] = *p;
        }
    }
    out[len] = '\0';
    return true;
}

void KApiTerminalInfo::upper_info(char* text, size_t n) {
    if (text == nullptr) return;
    for (size_t i = 0; i < n && text[i] != '\0'; ++i)
        text[i] = static_cast<char>(toupper(static_cast<unsigned char>(text[i])));
}

}}  // namespace nq::api
