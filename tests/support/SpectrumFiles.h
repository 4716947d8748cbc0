// Spectrum data files for tests, written into a temporary folder.
#pragma once

#include <QString>
#include <functional>
#include <string>

// A file with a valid header (25 December 2009, 22:15:07) and count items, item i being
// signal(i). Returns the path.
QString WriteSpectrumFile(const QString& folder, const QString& name,
                          const std::function<double(int)>& signal, int count = 400);

// The same with a header line of the caller's (for example "s 03/21/05 12:00:00 ...", which
// must have 40 characters at least).
QString WriteSpectrumFile(const QString& folder, const QString& name, const std::string& header,
                          const std::function<double(int)>& signal, int count = 400);
