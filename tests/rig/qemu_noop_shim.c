/*
 * Loaded instead of qemu_i386_shim.c by the 64-bit programs that a Wine
 * process runs (shell scripts such as wineserver's launcher): the preload
 * path uses $LIB, and an empty library there keeps ld.so from warning about
 * a 32-bit one on every start.
 */
void pelm_qemu_noop_shim(void) {}
