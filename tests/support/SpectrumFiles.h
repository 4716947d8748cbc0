// Spectrum data files for tests, written into a temporary folder.
#pragma once

#include <QString>
#include <functional>
#include <string>

// A file with a valid header (25 December 2009, 22:15:07) and count items, item i being
// signal(i). Returns the path.
QString WriteSpectrumFile(const QString& folder, const QString& name,
                          const std::function<double(int)>& signal, int count = 400);
