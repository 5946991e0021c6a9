// The registry on POSIX: two .reg files stand in for the two roots the import looks at.
//   HKEY_LOCAL_MACHINE  <sysconfdir>/quenlow/registry.reg
//   HKEY_CURRENT_USER   $XDG_CONFIG_HOME/quenlow/registry.reg ($HOME/.config when unset)
// Each file is read on first use and kept for the rest of the run; a file that is missing or
// cannot be read is a root without keys. The calls themselves are registry_tree.cpp's.
#include "platform/registry/registry_posix.h"

#include "platform/read_file.h"
#include "platform/registry/reg_file.h"
#include "platform/registry/registry_tree.h"

#include <cstdlib>
#include <string>

namespace {

const char storeFileName[] = "/quenlow/registry.reg";

struct StoreRoot {
    bool pathChosen; // by registrySetStoreFiles
    std::string path;
    bool loaded;
    RegFileKey tree;
};

StoreRoot storeRoots[2];

std::string defaultStorePath(RegistryRoot root) {
    if (root == rootLocalMachine) {
        return std::string(VELDRA_SYSCONFDIR) + storeFileName;
    }
    // A relative XDG_CONFIG_HOME is to be ignored, as the base-directory convention says.
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && configHome[0] == '/') {
        return configHome + std::string(storeFileName);
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == 0) {
        return std::string();
    }
    return home + std::string("/.config") + storeFileName;
}

} // namespace

const RegFileKey& registryRootTree(RegistryRoot root) {
    StoreRoot& store = storeRoots[root == rootLocalMachine ? 0 : 1];
    if (!store.loaded) {
        store.loaded = true;
        store.tree = RegFileKey();
        const std::string path = store.pathChosen ? store.path : defaultStorePath(root);
        size_t size = 0;
        char* bytes = path.empty() ? nullptr : readWholeFile(path.c_str(), &size);
        if (bytes != nullptr) {
            regFileParse(bytes, size, regFileLocale, store.tree);
            std::free(bytes);
        }
    }
    return store.tree;
}

void registrySetStoreFiles(const char* localMachine, const char* currentUser) {
    const char* paths[2] = {localMachine, currentUser};
    for (int i = 0; i < 2; ++i) {
        storeRoots[i].pathChosen = paths[i] != nullptr;
        storeRoots[i].path = paths[i] != nullptr ? paths[i] : "";
        storeRoots[i].loaded = false;
        storeRoots[i].tree = RegFileKey();
    }
}
