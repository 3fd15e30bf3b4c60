#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CtlOptions.h"

// The values spectrelctl's options and command words take, checked before a port is opened.
// Each check is false with a message in `error` naming what was refused.

bool Refuse(std::string& error, std::string message);

// "NAME must be a whole number from LOW to HIGH, not "TEXT""
bool ParseWhole(std::string_view name, std::string_view text, unsigned low, unsigned high,
                unsigned& value, std::string& error);
bool ParseLogMode(std::string_view text, int& mode, std::string& error);

// A name that looks like a COM port must be one the control panel offers: "COM17" or "com3"
// would otherwise be looked for as /dev/COM17.
bool IsPortName(const std::string& name);

// The command a word names; nullopt for none.
std::optional<CtlCommand> FindCtlCommand(std::string_view word);
const std::vector<std::string_view>& CtlCommandWords();

// The words after a command that are not options: channel numbers, key=value fields, files,
// the devices of scan.
bool ParseCommandWords(CtlCommand command, const std::vector<std::string>& words,
                       CtlOptions& options, std::string& error);

// The message for a word (or an option) that the command does not take.
bool RefuseWord(CtlCommand command, const std::string& word, std::string& error);

// Several sensors at once only where each gets its own report; backup then names one file per
// sensor.
bool CheckTargets(const CtlOptions& options, std::string& error);
