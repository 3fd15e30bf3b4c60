#pragma once

#include <ostream>

#include "cli/CtlOptions.h"
#include "cli/CtlOutput.h"
#include "cli/CtlSession.h"
#include "sensor/SensorRecords.h"

// The commands of spectrelctl, each run on a session whose sensor has been identified. Results
// go to `out`, what a long-running command meets on its way to `err`; a failure comes back as
// the outcome, with nothing printed.
CtlOutcome RunCtlCommand(CCtlSession& session, const CtlOptions& options, std::ostream& out,
                         std::ostream& err);

// One request each, waiting for its reply (the proxy's records then hold the answer).
CtlOutcome ReadVersion(CCtlSession& session);
CtlOutcome ReadSettings(CCtlSession& session);
CtlOutcome ReadChannel(CCtlSession& session, unsigned channel);
CtlOutcome SendSettings(CCtlSession& session, const SensorSettings& wanted);
CtlOutcome SendChannel(CCtlSession& session, unsigned channel,
                       const ChannelDefinition& channelDefinition);
SensorSettings SettingsOf(const CSensor& sensor);
SensorIdentity IdentityOf(const CSensor& sensor);
// The channel as a read presents it: percentages derived from the raw bounds the sensor holds.
NumberedChannel ChannelAsRead(const CSensor& sensor, unsigned channel);

// Channels the sensor's model has; every channel the protocol addresses when the model code
// names no model.
unsigned ChannelCountOf(unsigned modelCode);
// Channel 1..15 must exist on the identified sensor's model; a usage error names how many it has.
CtlOutcome CheckChannel(const CSensor& sensor, unsigned channel);

// The channel as a send should carry it: the given fields changed, the others as read. A
// colour whose setting and tolerance are both left alone keeps its raw bounds exactly: the
// percentages of a read are clamped (tolerances to 0.5 .. 50), and sending those back would
// move bounds the user never touched.
ChannelDefinition MergeChannel(const ChannelDefinition& read, const ChannelChange& change);
