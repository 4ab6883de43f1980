#pragma once

// The "Action" key of Sys.ini tells the next start whether this run ended in
// order ("Close") or not ("Start" left behind by a crash, a kill or a power loss).

// Reads the previous run's marker, logs the start and marks this run as
// running. Returns true when a previous run did not close in order; a first
// start (no state file yet) is no crash.
bool OpenShutdownMarker();

// Records every automatic mode as stopped and no printer chosen, as the
// orderly exit does before it lets go of the printers.
void RecordModesStopped();

// The very last writes of an orderly exit: the log entry, then "Close".
void CloseShutdownMarker();
