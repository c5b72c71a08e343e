#pragma once

#include "session/radiosession.h"

#include <QString>
#include <QStringList>

namespace quenda::cli {

// What a script can tell from the exit status; documented in the help text and the README.
enum ExitCode {
    Success = 0,
    Failure = 1,        // anything not listed below
    UsageError = 2,     // the command line
    FileError = 3,      // the profile: unreadable, invalid, unwritable, or unusable for this radio
    PortError = 4,      // no such port, busy, no permission, or the line went away
    NoRadio = 5,        // nothing answered, or the radio stopped answering
    ValueRefused = 6,   // the radio answered "ERROR" to a value written
    VerifyMismatch = 7, // after the save the radio holds other values, or could not be checked
    Interrupted = 130,  // Ctrl+C or SIGTERM; configuration mode was left first
};

enum class Command { None, Ports, Read, Write, Defaults };

struct Options {
    Command command = Command::None;
    bool help = false;
    QString port;
    ConnectMethod method = ConnectMethod::SoftDiagnostic;
    QString output; // read: empty means standard output
    QString file;   // write: the profile
    int preset = 0; // defaults
    QString log;    // empty: no log file
    QString error;  // set when the command line is not usable
};

// The arguments after the program name.
Options parseArguments(const QStringList &arguments);

// The help of one command, or of the program for Command::None.
QString helpText(Command command);

} // namespace quenda::cli
