#pragma once

#include <QString>

namespace qv {

class Taaform1;

// The per-user data folder, ending in "/"; empty when the platform names no
// place for application data.
QString dataFolder();

// Creates the data folder (and missing parents) when it does not exist.
// A failure is not reported: nothing depends on the folder.
void ensureDataFolder();

// Puts the values stored at the end of the last session into the wizard's
// controls. Without a store, the controls keep their values. A number that is
// missing or malformed selects the first item silently; a text or flag value
// that is not a string throws Error "Invalid data type for '<name>'", leaving
// that value and the ones after it unloaded.
void loadStoredSettings(Taaform1& form);

// Stores the wizard's inputs: the connections, passwords (in plain text, so
// the store is readable by its owner only), policy and options. When the store
// cannot be opened or created nothing is stored, silently; when it cannot be
// written, throws Error "Failed to set data for '<name>'".
void saveStoredSettings(const Taaform1& form);

}  // namespace qv
