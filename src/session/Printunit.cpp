#include "session/Printunit.h"

std::vector<std::string> PrintHeaderLines(const TPrintFacts& facts) {
    std::vector<std::string> lines;
    lines.push_back(facts.FileName.empty() ? "(no file)" : facts.FileName);
    if (!facts.FileTime.empty())
        lines.push_back("Observed " + facts.FileTime);
    std::string position;
    const std::pair<const char*, const std::string*> parts[] = {
        {"Ra ", &facts.Ra}, {"Dec ", &facts.Dec}, {"Glat ", &facts.Glat}, {"Glong ", &facts.Glong}};
    for (const auto& [caption, text] : parts) {
        if (text->empty())
            continue;
        position += (position.empty() ? "" : ", ") + std::string(caption) + *text;
    }
    if (!position.empty())
        lines.push_back("Position " + position);
    if (!facts.Vlsr.empty())
        lines.push_back("VLSR " + facts.Vlsr + " km/s");
    return lines;
}
