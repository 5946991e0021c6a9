# Pinned sources of third-party programs and libraries, sourced by the scripts that build or
# test with them: files of Debian's source packages, fetched once into a cache and checked
# against their SHA-256.
#
# The archive is the one apt is configured with on this machine, as `apt-get indextargets`
# lists it at run time; VELDRA_DEBIAN_MIRROR (an archive's root, the folder that holds pool/)
# is tried before it when set. The cache is $VELDRA_CACHE, by default
# ${XDG_CACHE_HOME:-~/.cache}/veldra (without HOME, /tmp/veldra-cache-<uid>/veldra); the
# files go to its sources/ folder.

# Prints the cache folder.
veldra_cache() {
    local cache=${VELDRA_CACHE:-}
    if [ -z "$cache" ]; then
        # A bare CI environment may set no HOME.
        cache=${XDG_CACHE_HOME:-${HOME:+$HOME/.cache}}
        cache=${cache:-${TMPDIR:-/tmp}/veldra-cache-$(id -u)}/veldra
    fi
    echo "$cache"
}

# Prints the roots of the Debian archives to try, one a line.
debian_archives() {
    [ -z "${VELDRA_DEBIAN_MIRROR:-}" ] || echo "${VELDRA_DEBIAN_MIRROR%/}"
    apt-get indextargets --format '$(REPO_URI)' 'Created-By: Packages' 2>/dev/null |
        sed 's:/*$::' | awk '!seen[$0]++'
}

# fetch_source <pool path> <sha256>: prints the path of the cached file, fetching it first when
# it is not there with that checksum. The pool path is the file's below pool/main, such as
# g/gnucobol3/gnucobol3_3.1.2.orig.tar.xz. Status 1, with the reason on standard error, when no
# archive has it.
# Builds that run at once share the cache: one lock per cache (sources/.lock) is held from the
# look into the cache to the rename, so a second fetch of the same file waits and then finds it
# there, and each download goes to a temporary file of the fetching process's own.
fetch_source() {
    local pool=$1 sum=$2 dir file part archive tried= lock status=1
    dir=$(veldra_cache)/sources
    file=$dir/${pool##*/}
    mkdir -p "$dir" || return 1
    exec {lock}>>"$dir/.lock" || return 1
    if ! flock "$lock"; then
        exec {lock}>&-
        echo "fetch_source: cannot lock $dir/.lock" >&2
        return 1
    fi
    part=$file.part.$BASHPID
    if [ -f "$file" ] && echo "$sum  $file" | sha256sum -c --status; then
        echo "$file"
        status=0
    else
        for archive in $(debian_archives); do
            tried+=" $archive"
            curl -fsSL --retry 3 -o "$part" "$archive/pool/main/$pool" 2>/dev/null || continue
            if echo "$sum  $part" | sha256sum -c --status; then
                mv "$part" "$file" && echo "$file" && status=0
                break
            fi
            echo "fetch_source: $archive/pool/main/$pool: checksum mismatch" >&2
        done
        rm -f "$part"
        [ $status -eq 0 ] ||
            echo "fetch_source: cannot fetch pool/main/$pool (tried:${tried:- no archive configured})" >&2
    fi
    exec {lock}>&-
    return $status
}
