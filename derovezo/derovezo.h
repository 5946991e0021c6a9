// Import of the development system's environment settings from the registry at start-up.
#pragma once

#include "platform/platform.h"

// Copies the maker-wide and component "Environment" keys below Software\Quenlow into the
// process environment and sets VEZIDU_PARSED=True once the version key was reached. Never
// reports an error.
void importRegistryEnvironment();

// Imports the values of one open "Environment" key. keepExisting 1 leaves variables that are
// already set (even empty) unchanged.
void importEnvironmentKey(RegistryKey key, int keepExisting);
