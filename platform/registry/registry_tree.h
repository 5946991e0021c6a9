// The registry calls of platform.h over in-memory key trees (RegFileKey), for the platform
// layers that keep their keys that way: the POSIX store of .reg files and the unit tests' fake.
#pragma once

#include "platform/platform.h"
#include "platform/registry/reg_file.h"

// The keys of `root`: defined by the platform layer that uses registry_tree.cpp. The tree
// stays as it is while keys opened below it are open.
const RegFileKey& registryRootTree(RegistryRoot root);
