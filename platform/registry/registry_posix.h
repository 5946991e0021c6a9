// Test seam of the POSIX registry store (registry_posix.cpp): its platform tests read other
// files than the machine's. POSIX builds only.
#pragma once

// Points HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER at other .reg files (nullptr: the usual place,
// <sysconfdir>/quenlow/registry.reg and $XDG_CONFIG_HOME/quenlow/registry.reg) and forgets what
// was read, so the next access reads the files again. Keys still open become invalid.
void registrySetStoreFiles(const char* localMachine, const char* currentUser);
