// Consoleunit: what a kelvane-batch run shows on standard error: the progress bar, the errors
// of the files and the texts of names, made safe for a terminal.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

// Where a run reports: per-file errors always; with Terminal a progress bar; without Quiet the
// final line.
struct TRunConsole {
    std::FILE* Stream = stderr;
    bool Terminal = false;
    bool Quiet = false;
};

// The progress bar on a terminal, and the lines shown above it. Used by one thread only.
class TProgress {
public:
    TProgress(const TRunConsole& console, long total);

    // The bar for done and failed files; at most ten times a second unless now.
    void Show(long done, long failed, bool now = false);
    // A line of its own above the bar (shown escaped, see ConsoleText).
    void Message(const std::string& text);
    // Takes the bar off the screen.
    void Erase();
    double Elapsed() const;

private:
    const TRunConsole& Console;
    long Total;
    std::chrono::steady_clock::time_point Start;
    double LastShown = -1.0;
    bool Drawn = false;
};

// text as it may be shown on a terminal: control characters (below 0x20, 0x7f, and the C1
// controls U+0080..U+009F), bidirectional controls (U+061C, U+200E, U+200F, U+202A..U+202E,
// U+2066..U+2069), the line and paragraph separators (U+2028, U+2029) and bytes that are not
// UTF-8 are written as \x1b (\u009b, \u202e for a character), so that a name cannot act on
// the terminal (retitle it, move the cursor), nor show as another name, and a message stays
// on one line.
std::string ConsoleText(const std::string& text);
