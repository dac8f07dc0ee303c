// Controls of the emulated kernel-bypass adapter (tests/api/EfViEmulated.cpp),
// which implements api/EfVi.h over a raw packet socket for tests.
//
// What it checks loudly (message on stderr, then abort): an ef_addr that did
// not come from ef_memreg_dma_addr of a live registration (a virtual address
// passed as a DMA address, say), a DMA access that crosses a page, and a
// fallback descriptor whose bytes differ from the cut-through frame it backs,
// and a memory registration freed while a VI still holds receive buffers in
// it (the adapter could still write there).
// DMA pages are laid out in reverse order of the virtual pages, so a DMA
// address computed by adding a byte offset across pages lands elsewhere.
#pragma once

namespace efemu {

enum class Call { driver_open, pd_alloc, vi_alloc, vi_get_mac, memreg_alloc, filter_add };

// The next `count` calls of `call` fail with `rc` (a negative errno value).
void fail_next(Call call, int rc, int count = 1);
// The next `count` fallback descriptors are refused with -EAGAIN: nothing is
// sent and no completion comes.
void refuse_fallback(int count);
// While held, transmit completions are kept back (frames still go out);
// releasing the hold lets the kept events through at the next poll.
void hold_completions(bool hold);
// The next `count` accepted descriptors complete with a transmit error and
// their frames are not sent.
void fail_transmit(int count);
// The next `count` frames that match a VI's filters consume their receive
// buffer with an EF_EVENT_TYPE_RX_DISCARD event instead of being written.
void discard_next(int count);
// Frames put on the wire by all VIs so far.
unsigned long frames_sent();
// Driver handles, domains, VIs and registrations currently open.
int open_objects();
// Clears every pending fault.
void reset();

}  // namespace efemu
