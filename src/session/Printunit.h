// Printunit: the header printed above a graph.
#pragma once

#include <string>
#include <vector>

// What the window shows of the spectrum printed, as its texts; an empty text is not known.
struct TPrintFacts {
    std::string FileName; // without its folder
    std::string FileTime; // the side panel's file time
    std::string Ra, Dec, Glat, Glong;
    std::string Vlsr; // km/s, as edVlsr shows it; empty when not computed for this spectrum
};

// The header's lines: the file's name; "Observed " and its time; "Position " with the equatorial
// and galactic coordinates known; "VLSR " and its value in km/s. Lines of nothing known are
// left out; the name's line is always there ("(no file)" without one).
std::vector<std::string> PrintHeaderLines(const TPrintFacts& facts);
