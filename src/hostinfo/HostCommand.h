// Runs the standard Linux tools (lsblk, blkid, hdparm, smartctl, udevadm)
// through the shell and reads their output. The tools are looked up in the
// system's own directories only, never through the caller's PATH.
#pragma once
#include <cstddef>

namespace nq { namespace api {

// The directories searched for the tools, ':'-separated. Tests point it at
// stand-in tools; null or "" restores the system directories. A path with
// characters outside letters, digits and "/._+-:" is refused (false). Not
// thread-safe: call it before any host-information function runs.
bool set_command_path(const char* path);
const char* command_path();

// True when the name may be placed on a command line: letters, digits and
// "._+:/-" only, not beginning with '-' and without "..".
bool is_safe_command_name(const char* name);

// Formats the command with a single name argument and runs it; the name is
// checked with is_safe_command_name first, and when it fails nothing is run.
// The first output line is cleaned into buffer; true when a line was read.
bool run_named_command(const char* fmt, const char* name, char* buffer, size_t size);

// The same, calling fn for every output line, cut to max_line characters
// and with its line feed removed. False when the command was not run.
bool for_each_command_line(const char* fmt, const char* name, size_t max_line,
                           void (*fn)(const char* line, void* context), void* context);

}}  // namespace nq::api
