#pragma once
// vandrelctl watch: the running program's events, one JSON object per line,
// as its D-Bus interface sends them. The events travel only over the
// session bus; the single-instance socket answers one request at a time.

#include <QDBusConnection>
#include <iosfwd>

namespace vandrel::ctl {

// Prints every signal of the program's interface on `bus` as a line such as
// {"event":"ProfileApplied","name":"FPS","reason":"rule","time":"..."},
// and {"event":"ProgramStarted"} / {"event":"ProgramEnded"} when the program
// takes or gives up its bus name. Runs the event loop until `maxEvents`
// lines were printed (negative: for ever) or the output is closed. Returns
// the exit code; without a bus it says why and fails.
int runWatch(QDBusConnection bus, std::ostream& out, std::ostream& err, int maxEvents = -1);

}  // namespace vandrel::ctl
