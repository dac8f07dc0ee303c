// The kernel-bypass backend linked into the library: no adapter is present.
// Opening the driver fails with -ENODEV, so callers log their warning and use
// kernel sockets; the other calls are never reached and refuse harmlessly.
#include <cerrno>
#include <cstring>

#include "api/efvi/EfVi.h"

int ef_driver_open(ef_driver_handle* dh) {
    if (dh) *dh = -1;
    return -ENODEV;
}
int ef_driver_close(ef_driver_handle) { return -ENODEV; }

int ef_pd_alloc(ef_pd*, ef_driver_handle, int, ef_pd_flags) { return -ENODEV; }
int ef_pd_free(ef_pd*, ef_driver_handle) { return -ENODEV; }

int ef_vi_alloc_from_pd(ef_vi*, ef_driver_handle, ef_pd*, ef_driver_handle, int, int, int, ef_vi*, ef_driver_handle,
                        ef_vi_flags) {
    return -ENODEV;
}
int ef_vi_free(ef_vi*, ef_driver_handle) { return -ENODEV; }
int ef_vi_get_mac(ef_vi*, ef_driver_handle, void*) { return -ENODEV; }

int ef_memreg_alloc(ef_memreg*, ef_driver_handle, ef_pd*, ef_driver_handle, void*, size_t) { return -ENODEV; }
int ef_memreg_free(ef_memreg*, ef_driver_handle) { return -ENODEV; }
ef_addr ef_memreg_dma_addr(ef_memreg*, size_t) { return 0; }

void ef_filter_spec_init(ef_filter_spec* fs, ef_filter_flags flags) {
    if (!fs) return;
    std::memset(fs, 0, sizeof *fs);
    fs->flags = flags;
}
int ef_filter_spec_set_ip4_local(ef_filter_spec* fs, int protocol, uint32_t host_be32, int port_be16) {
    if (!fs) return -EINVAL;
    fs->type = 1;
    fs->protocol = protocol;
    fs->host_be32 = host_be32;
    fs->port_be16 = static_cast<uint16_t>(port_be16);
    return 0;
}
int ef_vi_filter_add(ef_vi*, ef_driver_handle, const ef_filter_spec*) { return -ENODEV; }

int ef_eventq_poll(ef_vi*, ef_event*, int) { return 0; }

void ef_vi_transmit_ctpio(ef_vi*, const void*, size_t, unsigned) {}
int ef_vi_transmit_ctpio_fallback(ef_vi*, ef_addr, size_t, ef_request_id) { return -ENODEV; }
int ef_vi_transmit_unbundle(ef_vi*, const ef_event*, ef_request_id*) { return 0; }

int ef_vi_receive_init(ef_vi*, ef_addr, ef_request_id) { return -ENODEV; }
void ef_vi_receive_push(ef_vi*) {}
int ef_vi_receive_fill_level(const ef_vi*) { return 0; }
