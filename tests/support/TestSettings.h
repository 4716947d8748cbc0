// Helpers for tests that use the per-user settings store. The test main has already pointed
// the store at a temporary folder; these give that folder and wipe the program's two keys.
#pragma once

#include <QString>

QString TestSettingsFolder();
// Empties "Fernhollow"/"Kelvane" and "Fernhollow"/"Tovrel" in the temporary store.
void ClearTestSettings();
