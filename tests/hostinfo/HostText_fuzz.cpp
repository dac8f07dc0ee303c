// Fuzzes the text handling of host information and terminal identification:
// CPU lists, cleaning, command-name checks, and the terminal string built
// from arbitrary caller fields.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "api/terminal/KApiTerminalInfo.h"
#include "hostinfo/CpuList.h"
#include "hostinfo/HostCommand.h"
#include "hostinfo/HostText.h"

using nq::api::KApiTerminalInfo;

namespace {

void check(bool ok) {
    if (!ok) __builtin_trap();
}

// Splits the input at NUL bytes into up to n texts.
std::vector<std::string> split(const uint8_t* data, size_t size, size_t n) {
    std::vector<std::string> parts(n);
    size_t k = 0;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            if (++k == n) break;
        } else {
            parts[k].push_back(static_cast<char>(data[i]));
        }
    }
    return parts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string c_text = text.c_str();  // up to the first NUL

    int cpus[17];
    memset(cpus, 0xff, sizeof(cpus));
    size_t n = nq::api::parse_cpu_list(c_text.c_str(), cpus, 16);
    check(n <= 16 && cpus[16] == -1);
    for (size_t i = 0; i < n; ++i) check(cpus[i] >= 0 && cpus[i] < nq::api::kMaxCpus);

    std::string clean = c_text;
    nq::api::sanitize_text(&clean[0]);
    for (const char* p = clean.c_str(); *p; ++p) check(*p >= 0x20 && *p < 0x7f);

    if (nq::api::is_safe_command_name(c_text.c_str()))
        check(c_text.find_first_of(" ;|&$`'\"\\<>()*?\n") == std::string::npos && c_text[0] != '-');

    char escaped[21];
    if (KApiTerminalInfo::escape_character(c_text.c_str(), escaped, sizeof(escaped))) {
        size_t len = strlen(escaped);
        check(len < sizeof(escaped));
        size_t slashes = 0;
        while (slashes < len && escaped[len - 1 - slashes] == '\\') ++slashes;
        check(slashes % 2 == 0);
    }

    std::vector<std::string> f = split(data, size, 11);
    nq::trv_user_terminal_info_t u;
    memset(&u, 0, sizeof(u));
    u.term_type = size > 0 && (data[0] & 1) ? nq::TerminalType::PC_LINUX : nq::TerminalType::PC;
    u.local_ip = &f[0][0];
    u.mac_addr = &f[1][0];
    u.hd = &f[2][0];
    u.internet_ip = &f[3][0];
    u.internet_port = static_cast<int32_t>(size);
    u.macos_sno = &f[4][0];
    u.pcn = &f[5][0];
    u.cpu_sn = &f[6][0];
    u.pi = &f[7][0];
    u.vol = &f[8][0];
    u.extern_info = &f[9][0];
    KApiTerminalInfo info(&u);
    char out[nq::CONST_TERMINAL_INFO_LEN + 1];
    out[nq::CONST_TERMINAL_INFO_LEN] = 'g';
    info.get_terminal_info_str(out);
    check(strnlen(out, nq::CONST_TERMINAL_INFO_LEN) < static_cast<size_t>(nq::CONST_TERMINAL_INFO_LEN));
    check(out[nq::CONST_TERMINAL_INFO_LEN] == 'g');
    return 0;
}
