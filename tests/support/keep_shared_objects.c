/* Linked into programs built with AddressSanitizer (see
 * camviewer_keep_shared_objects in cmake/Testing.cmake): no shared object is
 * unloaded before the process ends.
 *
 * LeakSanitizer checks when the process ends and traces pointers from the
 * data of the shared objects loaded at that moment. Libraries loaded at run
 * time are unloaded earlier: Mesa's software GL driver (swrast_dri.so, with
 * LLVM), which Qt's GLX integration and SDL's GL renderer load, is closed
 * with the X display or the GL context, and what its data still points at
 * (a 128-byte table it fills once) then counts as leaked from an unknown
 * module, which no suppression can name. Qt's plugins go the same way at
 * exit. Memory reachable from a library's data is not leaked by us; keeping
 * the library loaded lets LeakSanitizer see that, and leaves every leak of
 * our own objects to be reported.
 *
 * This definition in the executable comes first in symbol lookup, so every
 * library's dlclose() lands here. */
int dlclose(void* handle) {
  (void)handle;
  return 0;
}
