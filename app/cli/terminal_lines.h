// Lines on the terminal from one job or from several at once: each goes out
// whole, and with jobs at once a redrawn line below them says how far the
// run is.
#pragma once

#include <mutex>
#include <optional>
#include <string>

// Held while a line goes out, so that lines from jobs at once never mix.
extern std::mutex OutputMutex;

// With jobs at once on a terminal, the one redrawn line says how many run and
// how many are done; the jobs draw nothing, and lines about them go above it.
extern std::optional<std::string> BatchLine;

// Both with OutputMutex held.
void DrawBatchLine();
// Makes room for a line on either stream: the batch line is drawn again
// below it by DrawBatchLine.
void ClearBatchLine();

// A line about an address may hold what a server, a page or a list said:
// none of it may steer the terminal.
void PrintLine(const std::string& text);
void PrintError(const std::string& message);
