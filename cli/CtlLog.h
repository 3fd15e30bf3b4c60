#pragma once

#include <chrono>
#include <ostream>
#include <string>

#include "cli/CtlOptions.h"
#include "cli/CtlSession.h"

// spectrelctl log: the control panel's data log for a line PC without a display, written by
// the same writer with the same records and log modes. Meant to run unattended for weeks, it
// never stops by itself: a full file is continued in the next numbered one, a record that
// cannot be written is reported (with how many were lost once writing works again), and a
// sensor that goes silent or away is waited for and logged again once it answers. Only a stop
// request ends it. What happens is told on `err`.
CtlOutcome RunLog(CCtlSession& session, const CtlOptions& options, std::ostream& err);

// Identify polling until a sensor that was lost (`lost` says how) answers again, however long
// that takes; only a stop request ends it sooner.
CtlOutcome FindSensorAgain(CCtlSession& session, const std::string& lost, std::ostream& err);
// How long to wait for a reading at `periodMs` before the sensor counts as silent.
std::chrono::milliseconds DataWaitLimit(unsigned periodMs);

// The file the log goes on in after `number` full ones: "log.csv" gives "log.1.csv", a name
// without extension gets ".1" at its end.
std::string NumberedLogName(const std::string& path, unsigned number);
