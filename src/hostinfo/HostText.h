// Text helpers shared by the host-information functions.
#pragma once
#include <cstddef>

namespace nq { namespace api {

// Removes leading and trailing white space, then replaces every character
// that is not printable by '_'. In place.
void sanitize_text(char* text);

// Copies src into dst (size bytes, always terminated when size > 0).
void copy_text(char* dst, size_t size, const char* src);

// Reads the first line of a file (at most size - 1 characters), the trailing
// line feed cut. The path is used as given (no root prefix). False when the
// file cannot be opened or nothing was read.
bool read_first_line(const char* path, char* buffer, size_t size);

// Reads one line of /sys/block/<device>/<attribute>, or of
// /sys/class/block/<device>/<attribute> when the first cannot be opened,
// and cleans it. True when a line was read.
bool read_block_attribute(const char* device, const char* attribute, char* buffer, size_t size);

}}  // namespace nq::api
