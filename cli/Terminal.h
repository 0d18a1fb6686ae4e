#pragma once
// The few things vandrelctl asks of the console, the same on every system.

namespace vandrel::ctl {

// Whether standard input / standard error is a terminal (so that a person
// can be asked, and progress is worth drawing).
bool stdinIsTerminal();
bool stderrIsTerminal();

// Ends the process at once with `code`, after flushing the standard streams,
// without running destructors or waiting for other threads.
[[noreturn]] void exitNow(int code);

}  // namespace vandrel::ctl
