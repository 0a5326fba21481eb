#pragma once

struct CommandLine;

/// `brindlebox --export DIR`: converts the command line's files into its
/// folder with its settings, no window and no display needed. Says on
/// standard error what it writes and, at the end, the export's report; on a
/// terminal a progress line ("12/200 kick.wav") rewrites itself meanwhile.
/// Returns the exit status: 0 when every file was written, 1 when some were
/// not. SIGTERM, SIGINT or SIGHUP stop it as Cancel does, and then end it
/// as the signal asks.
int exportFromTerminal(const CommandLine &line);
