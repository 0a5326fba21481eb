#pragma once

struct CommandLine;

/// `brindlebox --export DIR` and `--module FILE`: converts the command
/// line's files into its folder, its module or both, with its settings, no
/// window and no display needed. Says on standard error what it writes and,
/// at the end, the export's report; on a terminal a progress line ("12/200
/// kick.wav") rewrites itself meanwhile. Returns the exit status: 0 when
/// everything was written, 1 when something was not. SIGTERM, SIGINT or SIGHUP stop it as Cancel does, and then end it
/// as the signal asks.
int exportFromTerminal(const CommandLine &line);
