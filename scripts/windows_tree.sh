# Sourced by the scripts that run the Windows build: which build this
# machine's Wine can start. Not every kernel runs 32-bit code (some boot with
# 32-bit emulation off, and then no 32-bit Wine process starts); there the
# x86_64 build of the same sources runs instead. The shipped program is the
# i686 one.

# True when this machine starts 32-bit Wine processes.
runs_32bit_code() {
    /usr/lib/wine/wine --version >/dev/null 2>&1
}

# Sets windows_tree (its folder under build/), windows_toolchain and
# windows_loader for the Windows build that runs here.
pick_windows_tree() {
    if runs_32bit_code; then
        windows_tree=win32
        windows_toolchain=cmake/i686-w64-mingw32.cmake
        windows_loader=/usr/lib/wine/wine
    else
        windows_tree=win64
        windows_toolchain=cmake/x86_64-w64-mingw32.cmake
        windows_loader=/usr/lib/wine/wine64
    fi
}
