#pragma once

#include "engine/ConversionSettings.h"

#include <QString>

namespace qv {

// The per-user data folder, ending in "/"; empty when the platform names no
// place for application data.
QString dataFolder();

// Creates the data folder (and missing parents) when it does not exist.
// A failure is not reported: nothing depends on the folder.
void ensureDataFolder();

// Puts the values stored at the end of the last session into settings, in
// the store's order; the table selection is not stored. Without a store,
// settings keep their values. A choice that is missing or malformed becomes
// the first item silently, one out of range is clamped (access mode, policy)
// or none (character set); a text or flag value that is not a string throws
// Error "Invalid data type for '<name>'", leaving that value and the ones
// after it unloaded.
void loadStoredSettings(ConversionSettings& settings);

// Stores the inputs: the connections, passwords (in plain text, so the store
// is readable by its owner only), policy and options. When the store cannot
// be opened or created nothing is stored, silently; when it cannot be
// written, throws Error "Failed to set data for '<name>'".
void saveStoredSettings(const ConversionSettings& settings);

}  // namespace qv
